#!/bin/sh
# Makes the Wine prefix PREFIX unless it is already there; safe to call concurrently.
# Wine programs never get a pipe: helper processes they start would hold it open.
prefix=$(realpath -m "${1:?usage: wine-prefix.sh PREFIX}")
wine_dir=${WINE_DIR:-/usr/lib/wine}
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers, and no file associations written into the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.orvelle-ready" ]; then
  [ -d "$prefix" ] && "$wine_dir/wineserver" -k </dev/null >/dev/null 2>&1
  rm -rf "$prefix"
  "$wine_dir/wine64" wineboot -i </dev/null >/dev/null 2>&1
  # Wait for the first boot's service start-up and DLL registration to finish.
  "$wine_dir/wineserver" -w </dev/null >/dev/null 2>&1
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix.sh: wineboot failed for $prefix" >&2; exit 1; }
  touch "$prefix/.orvelle-ready"
fi
