#!/usr/bin/env bash
# Cross-builds the Windows thumbnail handler for one architecture into DIR/bin:
# orvelle.dll and orvelle-thumbhost.exe (and the Windows tests).
#   build-windows.sh [--arch x64|x86|arm64] [DIR] [extra CMake arguments...]
# ARCH defaults to x64; DIR to build/windows (x64), build/windows-x86 or build/windows-arm64.
# The ARM64 build first makes (once per machine) the aarch64 mingw-w64 runtime it links.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-arch.sh"
windows_arch_option "$@"
shift "$windows_arch_shift"
arch=$windows_arch_name
dir=${1:-$windows_tree}
shift || true
toolchain_args=()
if [ "$arch" = arm64 ]; then
  runtime=$(bash "$root/scripts/mingw-w64-aarch64-runtime.sh" | tail -n 1)
  toolchain_args=(-DORVELLE_AARCH64_MINGW="$runtime")
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" "${toolchain_args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
