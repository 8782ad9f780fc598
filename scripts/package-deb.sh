#!/usr/bin/env bash
# Builds the Debian package of the command-line thumbnailer from the Release build and
# checks it with lintian: DIR/package/orvelle_<version>-1_amd64.deb.
#   package-deb.sh [DIR]   (DIR defaults to build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-$root/build/release}")
bash "$root/scripts/build.sh" "$dir" >/dev/null
rm -rf "$dir/package"
cpack --config "$dir/CPackConfig.cmake" -G DEB -B "$dir/package" >/dev/null 2>&1
deb=$(ls "$dir"/package/orvelle_*.deb)
# Errors fail the build; warnings are shown.
lintian --fail-on error "$deb"
echo "$deb"
