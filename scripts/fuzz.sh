#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a bounded time.
#   fuzz.sh [--seconds N] [--jobs N] [--fuzzer NAME]... [--build-dir DIR]
#     --seconds  time per fuzzer (default 30)
#     --jobs     parallel worker processes per fuzzer (libFuzzer fork mode; default 1)
#     --fuzzer   run only this one (repeatable):
#                pipeline, hap_frame, frame_to_rgba, block, downscale
# Generated seeds live in DIR/seeds, the growing corpus in DIR/corpus, logs in
# DIR/logs and crashing inputs in DIR/artifacts. Exits non-zero on any finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=30
jobs=1
dir=$root/build/fuzz
fuzzers=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --fuzzer) fuzzers+=("$2"); shift 2 ;;
    --build-dir) dir=$2; shift 2 ;;
    *) echo "usage: fuzz.sh [--seconds N] [--jobs N] [--fuzzer NAME]... [--build-dir DIR]" >&2
       exit 2 ;;
  esac
done
# libFuzzer takes a time of 0 as no limit at all.
[ "$seconds" -gt 0 ] || { echo "fuzz.sh: --seconds must be at least 1" >&2; exit 2; }
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(pipeline hap_frame frame_to_rgba block downscale)

echo "== building fuzzers in $dir"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DORVELLE_FUZZ=ON -DORVELLE_TESTS=OFF >/dev/null
cmake --build "$dir" --target orvelle_fuzzers

writer=$dir/fuzz/fuzz_seed_writer
if [ ! -e "$dir/seeds/.made" ] || [ "$writer" -nt "$dir/seeds/.made" ]; then
  bash "$root/fuzz/make_corpus.sh" "$writer" "$dir/seeds"
  touch "$dir/seeds/.made"
fi

for name in "${fuzzers[@]}"; do
  mkdir -p "$dir/corpus/$name" "$dir/artifacts/$name" "$dir/logs"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$dir/artifacts/$name/")
  [ "$name" = block ] && options+=(-max_len=16)
  [ "$jobs" -gt 1 ] && options+=(-fork="$jobs")
  log=$dir/logs/$name.log
  # The corpus directory comes first: new inputs are written there, never into the seeds.
  if ! "$dir/fuzz/${name}_fuzzer" "${options[@]}" "$dir/corpus/$name" "$dir/seeds/$name" \
       >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "== ${name}_fuzzer found a problem; inputs in $dir/artifacts/$name" >&2
    exit 1
  fi
  runs=$(grep -oE '^(Done [0-9]+ runs|#[0-9]+)' "$log" | tail -n 1 | grep -oE '[0-9]+')
  corpus=$(ls "$dir/corpus/$name" | wc -l)
  echo "== ${name}_fuzzer: ${runs:-?} executions in ${seconds} s, corpus $corpus files, clean"
done
