#!/usr/bin/env bash
# The main job on a built-in example: sets up the machine, builds, makes sample
# Hap movies (QuickTime and AVI) with Debian's ffmpeg and writes a thumbnail of each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build/release" >/dev/null
out=$root/out/demo
mkdir -p "$out"
orvelle=$root/build/release/tools/orvelle

make_movie() {  # make_movie FILE FORMAT: the extension picks the container
  [ -s "$out/$1" ] || ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=640x360:rate=25 -t 1 -c:v hap -format "$2" "$out/$1"
}
make_movie hap.mov hap
make_movie hap_alpha.mov hap_alpha
make_movie hap_q.mov hap_q
make_movie hap_q.avi hap_q

for movie in hap.mov hap_alpha.mov hap_q.mov hap_q.avi; do
  png=${movie%.mov}; png=${png/.avi/_avi}.png
  echo "$movie: $("$orvelle" probe "$out/$movie")"
  "$orvelle" thumb -s 256 --no-fallback "$out/$movie" "$out/$png"
  echo "  thumbnail: $out/$png"
done
