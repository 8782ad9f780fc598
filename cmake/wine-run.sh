#!/bin/sh
# Runs a Windows program under Wine in the prefix PREFIX: wine-run.sh PREFIX PROGRAM [ARGS...].
# Used as CMake's cross-compiling emulator. The program's output goes to a file, not to our
# pipe, because Wine helper processes inherit it and would keep the reader waiting.
prefix=$(realpath -m "${1:?usage: wine-run.sh PREFIX PROGRAM [ARGS...]}")
shift
here=$(dirname "$0")
sh "$here/wine-prefix.sh" "$prefix" || exit 125
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
log=$(mktemp) || exit 125
"${WINE_DIR:-/usr/lib/wine}/wine64" "$@" </dev/null >"$log" 2>&1
rc=$?
tr -d '\r' <"$log"
rm -f "$log"
exit $rc
