#!/usr/bin/env bash
# The command line of `orvelle` as other programs rely on it: output lines,
# exit statuses, files written or not, and chaining to the previous thumbnailer.
#   cli_test.sh ORVELLE MOVIE-DIR VERSION
set -uo pipefail
orvelle=$1
movies=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/check.sh"

# probe FILE EXPECTED-LINE EXPECTED-EXIT
probe() {
  local out rc
  out=$("$orvelle" probe "$1" 2>"$work/stderr"); rc=$?
  check "probe $(basename "$1") line" "$2" "$out"
  check "probe $(basename "$1") exit" "$3" "$rc"
}

# png_size FILE: "WIDTHxHEIGHT" from the IHDR chunk.
png_size() {
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"
}

probe "$movies/hap1_640x360.mov" \
  '{"status":0,"codec":1,"fourcc":"Hap1","width":640,"height":360,"samples":10,"duration":0.4}' 0
probe "$movies/hap5_320x240.mov" \
  '{"status":0,"codec":2,"fourcc":"Hap5","width":320,"height":240,"samples":10,"duration":0.4}' 0
probe "$movies/hapy_480x272.mov" \
  '{"status":0,"codec":3,"fourcc":"HapY","width":480,"height":272,"samples":10,"duration":0.4}' 0
probe "$movies/hap5_129x97.mov" \
  '{"status":0,"codec":2,"fourcc":"Hap5","width":129,"height":97,"samples":10,"duration":0.4}' 0
probe "$movies/h264_320x240.mov" \
  '{"status":-3,"codec":0,"fourcc":"","width":0,"height":0,"samples":0,"duration":0}' 1
probe "$movies/hapy_30frames_160x96.avi" \
  '{"status":0,"codec":3,"fourcc":"HapY","width":160,"height":96,"samples":30,"duration":1.2}' 0
probe "$movies/h264_320x240.avi" \
  '{"status":-3,"codec":0,"fourcc":"","width":0,"height":0,"samples":0,"duration":0}' 1
printf 'sevenby' > "$work/seven.mov"
probe "$work/seven.mov" \
  '{"status":-2,"codec":0,"fourcc":"","width":0,"height":0,"samples":0,"duration":0}' 1

# A file that cannot be opened: nothing on stdout, one line on stderr.
probe "$work/missing.mov" '' 2
check "probe missing file: one line on stderr" 1 "$(wc -l < "$work/stderr")"
"$orvelle" probe >/dev/null 2>&1; check "probe without a file" 2 $?
"$orvelle" probe a b >/dev/null 2>&1; check "probe with two files" 2 $?
"$orvelle" >/dev/null 2>&1; check "no command" 2 $?
"$orvelle" --bogus >/dev/null 2>"$work/stderr"; check "unknown option" 2 $?
grep -q '^usage: orvelle probe FILE$' "$work/stderr"; check "unknown option: usage on stderr" 0 $?

# Asked-for output: on stdout, nothing on stderr, exit 0.
check "--version" "orvelle $version" "$("$orvelle" --version 2>"$work/stderr")"
check "--version: nothing on stderr" "" "$(cat "$work/stderr")"
for option in --help -h; do
  out=$("$orvelle" "$option" 2>"$work/stderr"); rc=$?
  check "$option exit" 0 "$rc"
  check "$option: usage on stdout" "usage: orvelle probe FILE" "$(head -n 1 <<<"$out")"
  check "$option: nothing on stderr" "" "$(cat "$work/stderr")"
done
"$orvelle" --version extra >/dev/null 2>&1; check "--version with an argument" 2 $?

# Anything but a regular file is refused at once; a FIFO with no writer must not
# hang the caller (timeout exits 124 if it does).
mkfifo "$work/fifo.mov"
for input in "$work/fifo.mov" /dev/zero "$work"; do
  timeout 10 "$orvelle" probe "$input" >"$work/stdout" 2>"$work/stderr"
  check "probe $input: exit" 2 $?
  check "probe $input: message" "orvelle: cannot open $input: not a regular file" "$(cat "$work/stderr")"
  check "probe $input: nothing on stdout" "" "$(cat "$work/stdout")"
  timeout 10 "$orvelle" thumb --fallback 'touch %o' "$input" "$work/fifo.png" 2>/dev/null
  check "thumb $input: exit" 2 $?
  [ -e "$work/fifo.png" ]; check "thumb $input: not chained, no output" 1 $?
done
"$orvelle" thumb -s x "$movies/hap1_640x360.mov" "$work/x.png" 2>/dev/null; check "thumb with a bad size" 2 $?
"$orvelle" thumb "$movies/hap1_640x360.mov" 2>/dev/null; check "thumb without an output" 2 $?

# Thumbnails: fitted, never enlarged, full size with -s 0, 256 by default.
"$orvelle" thumb -s 64 "$movies/hap1_640x360.mov" "$work/a.png"; check "thumb -s 64 exit" 0 $?
check "thumb -s 64 size" 64x36 "$(png_size "$work/a.png")"
"$orvelle" thumb "$movies/hap1_640x360.mov" "$work/b.png"
check "thumb default size" 256x144 "$(png_size "$work/b.png")"
"$orvelle" thumb -s 0 "$movies/hap5_129x97.mov" "$work/c.png"
check "thumb -s 0 size" 129x97 "$(png_size "$work/c.png")"
"$orvelle" thumb -s 1000 "$movies/hapy_480x272.mov" "$work/d.png"
check "thumb never enlarges" 480x272 "$(png_size "$work/d.png")"

# The same frames in AVI give the same thumbnail, byte for byte.
for movie in hap1_640x360 hap5_320x240 hapy_480x272 hap1_chunks4_640x360; do
  "$orvelle" thumb -s 100 "$movies/$movie.avi" "$work/avi.png"
  "$orvelle" thumb -s 100 "$movies/$movie.mov" "$work/mov.png"
  cmp -s "$work/avi.png" "$work/mov.png"; check "$movie.avi thumbnail equals the .mov one" 0 $?
done

# Not a Hap movie: chained, unless told not to.
"$orvelle" thumb --no-fallback "$movies/h264_320x240.mov" "$work/e.png" 2>"$work/stderr"
check "no fallback: exit" 1 $?
check "no fallback: status name" "orvelle: ThumbNoTrack" "$(cat "$work/stderr")"
[ -e "$work/e.png" ]; check "no fallback: no output file" 1 $?
printf '#!/bin/sh\nprintf "%%s|%%s|%%s" "$@" > "$2.args"\n' > "$work/record.sh"
chmod +x "$work/record.sh"
"$orvelle" thumb -s 77 --fallback "'$work/record.sh' %i %o %s" "$movies/h264_320x240.mov" "$work/f.png"
check "fallback gets the request unchanged" "$movies/h264_320x240.mov|$work/f.png|77" \
  "$(cat "$work/f.png.args")"
"$orvelle" thumb -s 77 --fallback "'$work/record.sh' %i %o %s" "$movies/h264_320x240.avi" "$work/f.png"
check "a non-Hap AVI is chained the same way" "$movies/h264_320x240.avi|$work/f.png|77" \
  "$(cat "$work/f.png.args")"
"$orvelle" thumb --fallback 'sh -c "exit 7"' "$work/seven.mov" "$work/g.png"
check "fallback exit status is returned" 7 $?
"$orvelle" thumb --fallback 'no-such-thumbnailer %i %o' "$work/seven.mov" "$work/g.png" 2>/dev/null
check "fallback that cannot start" 127 $?
if command -v ffmpegthumbnailer >/dev/null; then
  "$orvelle" thumb -s 128 "$movies/h264_320x240.mov" "$work/h.png"
  check "default fallback: exit" 0 $?
  check "default fallback: ffmpegthumbnailer's thumbnail" 128x96 "$(png_size "$work/h.png")"
  "$orvelle" thumb -s 128 "$movies/h264_320x240.avi" "$work/h.png"
  check "default fallback of an AVI: ffmpegthumbnailer's thumbnail" 128x96 "$(png_size "$work/h.png")"
fi
PATH=/nonexistent "$(realpath "$orvelle")" thumb "$movies/h264_320x240.mov" "$work/i.png" 2>/dev/null
check "no default thumbnailer installed" 1 $?

# A movie that probes but cannot be decoded is not chained.
python3 "$(dirname "$0")/../movies/set_frame_size.py" "$movies/hap1_640x360.mov" "$work/huge.mov" 20000 100
"$orvelle" thumb --fallback 'touch %o' "$work/huge.mov" "$work/j.png" 2>"$work/stderr"
check "decode failure: exit" 1 $?
check "decode failure: status name" "orvelle: ThumbInvalidArgument" "$(cat "$work/stderr")"
[ -e "$work/j.png" ]; check "decode failure: not chained, no output" 1 $?

"$orvelle" thumb "$movies/hap1_640x360.mov" "$work/no/such/dir/k.png" 2>/dev/null
check "unwritable output" 2 $?

# The picture goes into OUTPUT itself, since thumbnail services read back the file they
# created, and never partly: rows are OUTPUT-BEFORE MOVIE FILE-SIZE-LIMIT-KiB EXIT
# OUTPUT-AFTER, where the limit makes the write fail midway.
"$orvelle" thumb -s 0 "$movies/hap1_640x360.mov" "$work/full.png"
echo old >"$work/old"
state() {  # state FILE: none, empty, old, png (the full-size thumbnail) or other
  if [ ! -e "$1" ]; then echo none
  elif [ ! -s "$1" ]; then echo empty
  elif cmp -s "$1" "$work/old"; then echo old
  elif cmp -s "$1" "$work/full.png"; then echo png
  else echo other; fi
}
while read -r before movie limit expected after; do
  out=$work/in-place.png name="thumb $(basename "$movie"), output before: $before, limit: $limit"
  rm -f "$out"
  case $before in empty) : >"$out" ;; old) cp "$work/old" "$out" ;; esac
  inode=$(stat -c %i "$out" 2>/dev/null)
  (trap '' XFSZ; [ "$limit" = - ] || ulimit -f "$limit"; exec "$orvelle" thumb -s 0 "$movie" "$out") 2>/dev/null
  check "$name: exit" "$expected" $?
  check "$name: output" "$after" "$(state "$out")"
  [ "$before" = none ] || [ ! -e "$out" ] || check "$name: the same file" "$inode" "$(stat -c %i "$out")"
done <<EOF
none  $movies/hap1_640x360.mov -  0 png
empty $movies/hap1_640x360.mov -  0 png
old   $movies/hap1_640x360.mov -  0 png
none  $work/huge.mov           -  1 none
old   $work/huge.mov           -  1 old
none  $movies/hap1_640x360.mov 1  2 none
empty $movies/hap1_640x360.mov 1  2 empty
old   $movies/hap1_640x360.mov 1  2 empty
EOF

echo "cli: $failures failed"
[ "$failures" -eq 0 ]
