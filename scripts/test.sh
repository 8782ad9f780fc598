#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: a plain build, one with
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows handler
# cross-built and tested under Wine, then each fuzzer for 30 seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

run_suite() {  # run_suite DIR CMAKE-ARGS...
  local dir=$1; shift
  echo "== building $dir"
  bash "$root/scripts/build.sh" "$dir" "$@"
  echo "== testing $dir"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
}

run_suite "$root/build/release"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$root/build/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLE_SANITIZE=ON
bash "$root/scripts/test-aarch64.sh" "$root/build/aarch64"
bash "$root/scripts/test-windows.sh" "$root/build/windows" "$root/build/release/tools/orvelle"
bash "$root/scripts/fuzz.sh" --seconds 30
