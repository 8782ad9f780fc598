#!/usr/bin/env bash
# Cross-builds orvelle.dll, orvelle-thumbhost.exe and the Windows tests for one architecture
# and runs the tests under Wine, in a fresh prefix inside the build tree, headless:
#   test-windows.sh [--arch x64|x86|arm64] [BUILD_DIR] [NATIVE_ORVELLE] [extra CMake arguments...]
# x64 and x86 run in the machine's Wine (x86 through wine32), arm64 in Wine for arm64
# under qemu. NATIVE_ORVELLE (default build/release/tools/orvelle) makes the reference
# thumbnails; BUILD_DIR defaults to the architecture's tree (see build-windows.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-arch.sh"
. "$root/scripts/wine-env.sh"
windows_arch_option "$@"
shift "$windows_arch_shift"
arch=$windows_arch_name
dir=$(realpath -m "${1:-$windows_tree}")
native=$(realpath -m "${2:-$root/build/release/tools/orvelle}")
shift $(($# < 2 ? $# : 2))

mkdir -p "$dir"
wine_env "$dir/wineprefix" "$arch"
# Wine for arm64 sees the tree (programs, movies, prefix) at the same path in its root.
wine_share "$dir"
trap 'wine_stop; wine_unshare "$dir"' EXIT

if ! wine_can_run; then
  echo "== building $dir ($arch); this machine cannot run $arch programs, so only the files are checked"
  bash "$root/scripts/build-windows.sh" --arch "$arch" "$dir" -DORVELLE_NATIVE_TOOL="$native" "$@"
  ctest --test-dir "$dir" --output-on-failure -R '^windows_pe_facts$'
  exit
fi

# A new prefix takes 10-20 s to boot: make it while the build runs.
rm -f "$WINEPREFIX/.orvelle-ready"
wine_prefix_make &
prefix_job=$!

echo "== building $dir ($arch)"
bash "$root/scripts/build-windows.sh" --arch "$arch" "$dir" -DORVELLE_NATIVE_TOOL="$native" "$@"
wait $prefix_job || { echo "test-windows.sh: no Wine prefix in $WINEPREFIX" >&2; exit 1; }
wine_keep_server

echo "== testing $dir under Wine ($arch)"
ctest --test-dir "$dir" --output-on-failure --timeout 120 -j2
