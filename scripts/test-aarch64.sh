#!/usr/bin/env bash
# Cross-builds the native suite (the core, `orvelle` and its tests) for AArch64
# Linux and runs it under qemu-user.
#   test-aarch64.sh [BUILD_DIR]   (BUILD_DIR defaults to build/aarch64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/aarch64}
# The test programs go through CMake's emulator, but the sandbox test runs the
# installed program as a desktop does, which needs the kernel's arm64 handler.
bash "$root/scripts/arm64-binfmt.sh"
echo "== building $dir"
bash "$root/scripts/build.sh" "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake"
echo "== testing $dir under qemu-user"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
