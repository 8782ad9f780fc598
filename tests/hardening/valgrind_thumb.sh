#!/usr/bin/env bash
# `orvelle thumb` under valgrind's memcheck over a few sample movies of each
# codec and storage, small thumbnails only: any invalid access, use of an
# uninitialised value or leak fails.
#   valgrind_thumb.sh ORVELLE MOVIE-DIR
set -uo pipefail
orvelle=${1:?usage: valgrind_thumb.sh ORVELLE MOVIE-DIR}
movies=${2:?usage: valgrind_thumb.sh ORVELLE MOVIE-DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# check MOVIE EXPECTED-EXIT: memcheck must report nothing, the program exit as expected.
check() {
  local log=$work/$1.log status
  valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --log-file="$log" \
    "$orvelle" thumb -s 48 --no-fallback "$movies/$1" "$work/$1.png" 2>/dev/null
  status=$?
  if [ "$status" != "$2" ] || ! grep -q 'ERROR SUMMARY: 0 errors' "$log"; then
    echo "FAIL: $1 (exit $status, expected $2)"
    cat "$log"
    failures=$((failures + 1))
  fi
}

check hap1_250x150.mov 0                  # BC1, Snappy, chunked, clipped blocks
check hap1_plain_256x144.mov 0            # BC1 stored plainly
check hap5_129x97.mov 0                   # BC3 stored plainly, clipped blocks
check hapy_plain_chunks4_320x180.mov 0    # scaled YCoCg, plain chunks
check hap5_chunks16_320x240.mov 0         # BC3, sixteen Snappy chunks
check h264_320x240.mov 1                  # no Hap track: the probe's failure
check hap1_audio_320x240.avi 0            # AVI, audio chunks between the frames
check h264_320x240.avi 1                  # AVI without a Hap stream
exit $((failures > 0))
