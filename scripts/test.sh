#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: a plain build, one with
# AddressSanitizer and UndefinedBehaviorSanitizer, the native suite cross-built
# for AArch64 Linux under qemu, the Windows handler cross-built for x86, ARM64
# and x64 and tested under Wine, then each fuzzer for 30 seconds.
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
# The x86 and ARM64 DLLs first: the x64 tree's installer carries them.
native=$root/build/release/tools/orvelle
bash "$root/scripts/test-windows.sh" --arch x86 "$root/build/windows-x86" "$native"
bash "$root/scripts/test-windows.sh" --arch arm64 "$root/build/windows-arm64" "$native"
bash "$root/scripts/test-windows.sh" --arch x64 "$root/build/windows" "$native" \
  -DORVELLE_DLL_X86="$root/build/windows-x86/bin/orvelle.dll" \
  -DORVELLE_DLL_ARM64="$root/build/windows-arm64/bin/orvelle.dll" \
  -DORVELLE_THUMBHOST_X86="$root/build/windows-x86/bin/orvelle-thumbhost.exe"
bash "$root/scripts/fuzz.sh" --seconds 30
