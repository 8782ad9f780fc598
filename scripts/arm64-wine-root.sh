#!/usr/bin/env bash
# Makes, once per machine, an arm64 Debian root holding Debian's Wine for arm64,
# so that ARM64 Windows programs run here under qemu-user through binfmt. Prints
# the root's path as the last line of its output. Needs root.
#   arm64-wine-root.sh
#
# Running a program in the root: Wine wants /proc, the prefix lives inside the
# root, and the caller copies or bind-mounts the program's files into it:
#   mount --bind /proc "$ROOT/proc"
#   chroot "$ROOT" env WINEPREFIX=/tmp/p /usr/lib/wine/wine64 wineboot -i
#   chroot "$ROOT" env WINEPREFIX=/tmp/p /usr/lib/wine/wine64 /tmp/p/prog.exe
#   chroot "$ROOT" env WINEPREFIX=/tmp/p /usr/lib/wine/wineserver -k
#   umount "$ROOT/proc"
set -euo pipefail

cache=${ORVELLE_CACHE:-/var/cache/orvelle}
[ "$(id -u)" -eq 0 ] || { echo "arm64-wine-root.sh: needs root" >&2; exit 1; }

bash "$(dirname "$0")/arm64-binfmt.sh"

# The root follows the machine's own release and archive, and is keyed by the
# Wine version that archive offers, so an archive update makes a new root.
. /etc/os-release
suite=$VERSION_CODENAME
wine_version=$(apt-cache policy wine64:arm64 | sed -n 's/^ *Candidate: *//p')
case $wine_version in
  ''|'(none)') echo "arm64-wine-root.sh: no wine64:arm64 in the package lists" \
                    "(scripts/setup.sh adds the arm64 architecture)" >&2; exit 1 ;;
esac
root=$cache/arm64-wine-$suite-$wine_version
partial=$root.partial

mkdir -p "$cache"
exec 9>"$cache/arm64-wine.lock"
flock 9   # another run may be making the same root

if [ -d "$root" ]; then
  echo "$root"
  exit 0
fi

# Only the machine's Debian entries (those signed with Debian's keyring) carry
# over: the root must not reach any other source.
debian_sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] && grep -q 'debian-archive-keyring' "$f" || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[ \t]*deb[ \t]*(\n|$)/' "$f"
  done
}
debian_list() {
  [ -f /etc/apt/sources.list ] && grep -E '^deb[[:space:]]' /etc/apt/sources.list || true
}
mirror=$(debian_sources | awk -v s="$suite" '
  /^URIs:/ { uri = $2 } /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) { print uri; exit } }')
[ -n "$mirror" ] || mirror=$(debian_list | awk -v s="$suite" '$3 == s { print $2; exit }')
[ -n "$mirror" ] || { echo "arm64-wine-root.sh: no Debian archive entry for $suite" >&2; exit 1; }

# A run cut short leaves a partial root, perhaps with /proc still mounted in it:
# unmount before removing, and never cross into another file system.
unmount_under() {
  local m
  for m in $(awk -v p="$1/" 'index($2, p) == 1 { print $2 }' /proc/self/mounts | sort -r); do
    umount -l "$m"
  done
}
unmount_under "$partial"
rm -rf --one-file-system "$partial"
trap 'unmount_under "$partial"' EXIT

debootstrap --arch=arm64 --variant=minbase "$suite" "$partial" "$mirror"

rm -f "$partial/etc/apt/sources.list"
debian_sources > "$partial/etc/apt/sources.list.d/debian.sources"
debian_list > "$partial/etc/apt/sources.list.d/debian.list"
mount --bind /proc "$partial/proc"
chroot "$partial" env DEBIAN_FRONTEND=noninteractive apt-get update
chroot "$partial" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y --no-install-recommends "wine64=$wine_version"
chroot "$partial" apt-get clean
umount "$partial/proc"
trap - EXIT

mv "$partial" "$root"
echo "$root"
