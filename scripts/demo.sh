#!/usr/bin/env bash
# The main job on a built-in example: sets up the machine, builds, makes sample
# Hap movies with Debian's ffmpeg and writes a thumbnail of each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build/release" >/dev/null
out=$root/out/demo
mkdir -p "$out"
orvelle=$root/build/release/tools/orvelle

make_movie() {  # make_movie NAME FORMAT
  [ -s "$out/$1.mov" ] || ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=640x360:rate=25 -t 1 -c:v hap -format "$2" "$out/$1.mov"
}
make_movie hap hap
make_movie hap_alpha hap_alpha
make_movie hap_q hap_q

for movie in hap hap_alpha hap_q; do
  echo "$movie.mov: $("$orvelle" probe "$out/$movie.mov")"
  "$orvelle" thumb -s 256 --no-fallback "$out/$movie.mov" "$out/$movie.png"
  echo "  thumbnail: $out/$movie.png"
done
