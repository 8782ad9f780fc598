#!/usr/bin/env bash
# Builds the Debian packages from the Release build and checks them with lintian:
# DIR/package/orvelle_<version>-1_amd64.deb and, when the KDE plug-in is built,
# DIR/package/orvelle-kde_<version>-1_amd64.deb.
#   package-deb.sh [DIR]   (DIR defaults to build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-$root/build/release}")
bash "$root/scripts/build.sh" "$dir" >/dev/null
rm -rf "$dir/package"
# cpack's errors reach stderr; its progress log is shown only when it fails.
cpack --config "$dir/CPackConfig.cmake" -G DEB -B "$dir/package" >"$dir/cpack.log" ||
  { cat "$dir/cpack.log" >&2; exit 1; }
shopt -s nullglob
debs=("$dir"/package/orvelle_*.deb "$dir"/package/orvelle-kde_*.deb)
# Errors fail the build; warnings are shown.
lintian --fail-on error "${debs[@]}"
printf '%s\n' "${debs[@]}"
