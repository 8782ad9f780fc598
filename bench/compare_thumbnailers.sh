#!/usr/bin/env bash
# Times `orvelle thumb -s 256` against `ffmpegthumbnailer -s 256`, side by side
# in one hyperfine run per movie, on 3840 x 2160 Hap, Hap Q and Hap Alpha
# movies that Debian's ffmpeg makes (two seconds of its test pattern).
# usage: compare_thumbnailers.sh ORVELLE [DIR]
#   ORVELLE  the orvelle program to time (a Release build)
#   DIR      where the movies are made and kept (default: a new temporary folder)
set -euo pipefail
orvelle=${1:?usage: compare_thumbnailers.sh ORVELLE [DIR]}
dir=${2:-$(mktemp -d)}
mkdir -p "$dir"
for tool in ffmpeg ffmpegthumbnailer hyperfine; do
  command -v "$tool" >/dev/null || { echo "compare_thumbnailers.sh: $tool is missing" >&2; exit 2; }
done

make_movie() {  # make_movie NAME FORMAT
  [ -s "$dir/$1" ] && return 0
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=3840x2160:rate=25" -t 2 -vf format=rgba \
    -c:v hap -format "$2" "$dir/$1.tmp.mov"
  mv "$dir/$1.tmp.mov" "$dir/$1"
}

for format in hap hap_q hap_alpha; do
  movie=${format}_3840x2160.mov
  make_movie "$movie" "$format"
  echo "== $movie"
  hyperfine --shell=none --warmup 3 --runs 30 \
    "$orvelle thumb -s 256 $dir/$movie $dir/orvelle_$format.png" \
    "ffmpegthumbnailer -i $dir/$movie -o $dir/ffmpegthumbnailer_$format.png -s 256"
done
