#!/usr/bin/env bash
# Generates the fuzzers' seed corpora into SEED-DIR/<fuzzer>: what the seed
# writer builds in code, plus small Hap movies (QuickTime and AVI) from Debian's
# ffmpeg and the first frame of each QuickTime one, cut out with ffmpeg.
#   make_corpus.sh SEED-WRITER SEED-DIR
set -euo pipefail
writer=${1:?usage: make_corpus.sh SEED-WRITER SEED-DIR}
seeds=${2:?usage: make_corpus.sh SEED-WRITER SEED-DIR}
rm -rf "$seeds"
mkdir -p "$seeds"/{pipeline,hap_frame,frame_to_rgba,block,downscale}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

frames=()
movie() {  # movie NAME WIDTHxHEIGHT ENCODER-ARGS...
  local name=$1 size=$2; shift 2
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 2 \
    -vf format=rgba "$@" "$work/$name.mov"
  cp "$work/$name.mov" "$seeds/pipeline/ffmpeg_$name.mov"
  ffmpeg -nostdin -v error -y -i "$work/$name.mov" -map 0:v:0 -frames:v 1 -c copy -f data \
    "$work/$name"
  frames+=("$work/$name" "${size%x*}" "${size#*x}")
}

movie hap 64x48 -c:v hap -format hap
movie hap_plain 32x32 -c:v hap -format hap -compressor none
movie hap_alpha_chunks2 48x32 -c:v hap -format hap_alpha -chunks 2
movie hap_q_chunks4 32x32 -c:v hap -format hap_q -chunks 4
movie hap_q_plain_chunks2 40x24 -c:v hap -format hap_q -compressor none -chunks 2

# AVI files, one with an audio stream before the video.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=48x32:rate=25 -frames:v 2 -vf format=rgba \
  -c:v hap -format hap_alpha "$seeds/pipeline/ffmpeg_hap_alpha.avi"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=32x32:rate=25 -f lavfi -i sine -frames:v 2 \
  -t 0.08 -map 1:a -map 0:v -vf format=rgba -c:v hap -format hap_q -chunks 2 -c:a pcm_u8 \
  "$seeds/pipeline/ffmpeg_hap_q_audio.avi"

"$writer" "$seeds" "${frames[@]}"
