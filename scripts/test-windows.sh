#!/usr/bin/env bash
# Cross-builds orvelle.dll, orvelle-thumbhost.exe and the Windows tests with mingw-w64
# and runs the tests under Wine, in a fresh prefix inside the build tree, headless.
#   test-windows.sh [BUILD_DIR] [NATIVE_ORVELLE]
# NATIVE_ORVELLE (default build/release/tools/orvelle) makes the reference thumbnails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-$root/build/windows}")
native=$(realpath -m "${2:-$root/build/release/tools/orvelle}")
prefix=$dir/wineprefix
wine_dir=/usr/lib/wine
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# A new prefix takes 10-20 s to boot: make it while the build runs.
mkdir -p "$dir"
rm -f "$prefix/.orvelle-ready"
sh "$root/cmake/wine-prefix.sh" "$prefix" &
prefix_job=$!
trap '"$wine_dir/wineserver" -k </dev/null >/dev/null 2>&1 || true' EXIT

echo "== building $dir"
bash "$root/scripts/build-windows.sh" "$dir" -DORVELLE_NATIVE_TOOL="$native"
wait $prefix_job

# One server for the whole run, its services started with no pipe to inherit.
"$wine_dir/wineserver" -p </dev/null >/dev/null 2>&1
"$wine_dir/wine64" cmd /c exit 0 </dev/null >/dev/null 2>&1

echo "== testing $dir under Wine"
ctest --test-dir "$dir" --output-on-failure --timeout 120 -j2
