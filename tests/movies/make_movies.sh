#!/usr/bin/env bash
# Makes the sample movies that the tests read, with Debian's ffmpeg, into DIR; with --large
# also the 1920 x 1080 ones of the Windows load test, into DIR/large.
# Movies already there are kept, so a second run costs nothing.
set -euo pipefail
dir=${1:?usage: make_movies.sh DIR [--large]}
mkdir -p "$dir"

make_movie() {  # make NAME SIZE ENCODER-ARGS...
  local name=$1 size=$2; shift 2
  [ -s "$dir/$name" ] && return 0
  local filter="format=rgba"
  # An alpha ramp, so that the alpha plane of the alpha formats is not constant.
  case "$*" in *hap_alpha*) filter="format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='255*X/W'" ;; esac
  local tmp="$dir/$name.tmp.${name##*.}"  # the extension picks the container
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=$size:rate=25" -t 0.4 -vf "$filter" "$@" "$tmp"
  mv "$tmp" "$dir/$name"
}

make_movie hap1_640x360.mov 640x360 -c:v hap -format hap
make_movie hap5_320x240.mov 320x240 -c:v hap -format hap_alpha
make_movie hapy_480x272.mov 480x272 -c:v hap -format hap_q
make_movie hap1_plain_256x144.mov 256x144 -c:v hap -format hap -compressor none
make_movie hap1_chunks4_640x360.mov 640x360 -c:v hap -format hap -chunks 4
make_movie hap5_chunks16_320x240.mov 320x240 -c:v hap -format hap_alpha -chunks 16
make_movie hapy_plain_chunks4_320x180.mov 320x180 -c:v hap -format hap_q -compressor none -chunks 4

# The same in AVI files, and the frame counts and stream orders that AVI files come in.
make_movie hap1_640x360.avi 640x360 -c:v hap -format hap
make_movie hap5_320x240.avi 320x240 -c:v hap -format hap_alpha
make_movie hapy_480x272.avi 480x272 -c:v hap -format hap_q
make_movie hap1_chunks4_640x360.avi 640x360 -c:v hap -format hap -chunks 4
make_movie hapy_plain_chunks4_320x180.avi 320x180 -c:v hap -format hap_q -compressor none -chunks 4
make_movie hap1_1frame_160x96.avi 160x96 -c:v hap -format hap -frames:v 1
make_movie hap5_2frames_160x96.avi 160x96 -c:v hap -format hap_alpha -frames:v 2
make_movie hapy_30frames_160x96.avi 160x96 -c:v hap -format hap_q -t 1.2
# An audio stream first: the video is stream 1, its chunks "01dc" between "00wb".
if [ ! -s "$dir/hap1_audio_320x240.avi" ]; then
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x240:rate=25 \
    -f lavfi -i sine=sample_rate=8000 -t 0.4 -map 1:a -map 0:v -vf format=rgba -c:v hap \
    -format hap -c:a pcm_u8 "$dir/hap1_audio.tmp.avi"
  mv "$dir/hap1_audio.tmp.avi" "$dir/hap1_audio_320x240.avi"
fi

# Sizes that are not multiples of 4: made at the next multiple, then relabelled.
relabel() {  # relabel NAME PADDED-NAME WIDTH HEIGHT
  [ -s "$dir/$1" ] && return 0
  python3 "$(dirname "$0")/set_frame_size.py" "$dir/$2" "$dir/$1.tmp" "$3" "$4"
  mv "$dir/$1.tmp" "$dir/$1"
}
make_movie padded_hap1_252x152.mov 252x152 -c:v hap -format hap -chunks 4
make_movie padded_hap5_132x100.mov 132x100 -c:v hap -format hap_alpha -compressor none
make_movie padded_hapy_252x152.mov 252x152 -c:v hap -format hap_q
relabel hap1_250x150.mov padded_hap1_252x152.mov 250 150
relabel hap5_129x97.mov padded_hap5_132x100.mov 129 97
relabel hapy_250x149.mov padded_hapy_252x152.mov 250 149

for container in mov avi; do
  if [ ! -s "$dir/h264_320x240.$container" ]; then
    ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x240:rate=25 \
      -t 0.4 -c:v libx264 -pix_fmt yuv420p "$dir/h264.tmp.$container"
    mv "$dir/h264.tmp.$container" "$dir/h264_320x240.$container"
  fi
done

if [ "${2:-}" = --large ]; then
  mkdir -p "$dir/large"
  # The movie atom in front: a copy cut short still probes, and fails only to read its frame.
  make_movie large/hap1_1920x1080.mov 1920x1080 -c:v hap -format hap -movflags +faststart
  make_movie large/hap5_1920x1080.mov 1920x1080 -c:v hap -format hap_alpha
  make_movie large/hapy_1920x1080.mov 1920x1080 -c:v hap -format hap_q
fi
