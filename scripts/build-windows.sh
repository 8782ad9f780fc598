#!/usr/bin/env bash
# Cross-builds the Windows thumbnail handler with mingw-w64 into DIR/bin:
# orvelle.dll and orvelle-thumbhost.exe (and the Windows tests).
#   build-windows.sh [DIR] [extra CMake arguments...]   (DIR defaults to build/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/windows}
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "$@" >/dev/null
cmake --build "$dir"
