#!/usr/bin/env bash
# Cross-builds the Windows thumbnail handler for one architecture into DIR/bin:
# orvelle.dll and orvelle-thumbhost.exe (and the Windows tests).
#   build-windows.sh [--arch x64|x86|arm64] [DIR] [extra CMake arguments...]
# ARCH defaults to x64; DIR to build/windows (x64), build/windows-x86 or build/windows-arm64.
# The ARM64 build first makes (once per machine) the aarch64 mingw-w64 runtime it links.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=x64
if [ "${1:-}" = --arch ]; then
  arch=${2:?build-windows.sh: --arch needs x64, x86 or arm64}
  shift 2
fi
toolchain_args=()
case $arch in
  x64) default_dir=$root/build/windows; toolchain=mingw-w64-x86_64.cmake ;;
  x86) default_dir=$root/build/windows-x86; toolchain=mingw-w64-i686.cmake ;;
  arm64)
    default_dir=$root/build/windows-arm64; toolchain=mingw-w64-aarch64.cmake
    runtime=$(bash "$root/scripts/mingw-w64-aarch64-runtime.sh" | tail -n 1)
    toolchain_args=(-DORVELLE_AARCH64_MINGW="$runtime") ;;
  *) echo "build-windows.sh: unknown architecture $arch (x64, x86 or arm64)" >&2; exit 2 ;;
esac
dir=${1:-$default_dir}
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "${toolchain_args[@]}" "$@" >/dev/null
cmake --build "$dir"
