#!/usr/bin/env bash
# Configures and builds one native build tree.
#   build.sh [DIR] [extra CMake arguments...]   (DIR defaults to build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/release}
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir"
