#!/usr/bin/env bash
# Runs the installed thumbnailer the way GNOME does: the Exec line of its
# .thumbnailer file, placeholders filled in, inside a bubblewrap sandbox with
# a read-only /usr, the input bound read-only, a private /tmp and no network.
#   sandbox_test.sh BUILD-DIR THUMBNAILER-FILE MOVIE-DIR
set -uo pipefail
build=$1
entry=$2
movies=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! bwrap --unshare-all --ro-bind / / true 2>/dev/null; then
  echo "SKIPPED: bubblewrap cannot create namespaces here (user namespaces unavailable)"
  exit 0
fi

# Installed under a prefix that the sandbox shows as /usr/local.
cmake --install "$build" --prefix "$work/prefix" >/dev/null || exit 1
[ -f "$work/prefix/share/thumbnailers/orvelle.thumbnailer" ] || { echo "FAIL: thumbnailer file not installed"; exit 1; }
exec_line=$(sed -n 's/^Exec=//p' "$entry")

# thumbnail INPUT SIZE: runs the Exec line in the sandbox; the PNG lands in $work/out.
thumbnail() {
  local input=$1 size=$2 command
  mkdir -p "$work/out" && rm -f "$work/out/thumb.png"
  command=${exec_line//%s/$size}
  command=${command//%i//tmp/input.mov}
  command=${command//%o//tmp/out/thumb.png}
  # shellcheck disable=SC2086 # the Exec line is split into words, as a desktop does
  bwrap --ro-bind /usr /usr --ro-bind "$work/prefix" /usr/local \
    --ro-bind /etc/ld.so.cache /etc/ld.so.cache --ro-bind /etc/alternatives /etc/alternatives \
    --symlink usr/lib /lib --symlink usr/lib64 /lib64 --symlink usr/bin /bin --symlink usr/sbin /sbin \
    --proc /proc --dev /dev --tmpfs /tmp \
    --ro-bind "$input" /tmp/input.mov --bind "$work/out" /tmp/out \
    --setenv PATH /usr/local/bin:/usr/bin --unshare-all --die-with-parent \
    $command
}

png_size() {
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1" 2>/dev/null
}

failures=0
thumbnail "$movies/hap1_640x360.mov" 128
[ "$(png_size "$work/out/thumb.png")" = 128x72 ] || { echo "FAIL: Hap movie thumbnail in the sandbox"; failures=$((failures + 1)); }
thumbnail "$movies/h264_320x240.mov" 128
[ "$(png_size "$work/out/thumb.png")" = 128x96 ] || { echo "FAIL: chained thumbnail of an H.264 movie in the sandbox"; failures=$((failures + 1)); }
thumbnail "$movies/hap1_640x360.avi" 128
[ "$(png_size "$work/out/thumb.png")" = 128x72 ] || { echo "FAIL: Hap AVI thumbnail in the sandbox"; failures=$((failures + 1)); }
thumbnail "$movies/h264_320x240.avi" 128
[ "$(png_size "$work/out/thumb.png")" = 128x96 ] || { echo "FAIL: chained thumbnail of an H.264 AVI in the sandbox"; failures=$((failures + 1)); }
echo "sandbox: $((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
