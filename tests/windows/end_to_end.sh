#!/usr/bin/env bash
# End to end under Wine, as a user would meet the handler:
#   end_to_end.sh BIN_DIR MOVIE_DIR NATIVE_ORVELLE WORK_DIR WINEPREFIX
# 1. a stand-in previous .mov handler is registered machine-wide, then orvelle.dll for
#    the user with regsvr32;
# 2. orvelle-thumbhost asks for thumbnails the way Explorer does; for every Hap movie
#    they must equal, byte for byte, what the native `orvelle thumb` writes;
# 3. an H.264 movie gets the stand-in's thumbnail, result code and alpha type;
# 4. regsvr32 /u gives the slot back to the stand-in and leaves nothing of Orvelle.
set -euo pipefail
bin=${1:?usage: end_to_end.sh BIN_DIR MOVIE_DIR NATIVE_ORVELLE WORK_DIR WINEPREFIX}
movies=$2 native=$3 work=$4
prefix=$(realpath -m "$5")  # Wine wants it absolute
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$native" ]; then
  echo "the native orvelle program is missing at $native; build it first (scripts/build.sh)" >&2
  exit 1
fi

sh "$here/../../cmake/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
wine=${WINE_DIR:-/usr/lib/wine}/wine64

rm -rf "$work"
mkdir -p "$work"
log=$work/wine.out

# Runs a Windows program with its output in a file, never a pipe: Wine's helper
# processes inherit it and would keep a reader waiting. Prints the output, CRs removed.
w() {
  local rc=0
  "$wine" "$@" </dev/null >"$log" 2>&1 || rc=$?
  tr -d '\r' <"$log"
  return $rc
}

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

orvelle='{EFB41CBF-F9DF-4A58-BBF0-C5A4A2DC1BE8}'
standin='{82E4C09E-46F5-45A9-9CF9-80434BA040DE}'
slot='Software\Classes\.mov\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}'

# The default value of a key, or nothing when it is missing.
default_value() {
  w reg query "$1" /ve >"$work/query.txt" 2>/dev/null || return 0
  sed -n 's/^ *(Default) *REG_SZ *//p' "$work/query.txt"
}

forget_everything() {
  w regsvr32 /s /u /n /i:user "$bin/orvelle.dll" >/dev/null || true
  w regsvr32 /s /u "$bin/standin_handler.dll" >/dev/null || true
  for key in "HKLM\\Software\\Classes\\CLSID\\$orvelle" "HKCU\\$slot" "HKLM\\$slot" 'HKCU\Software\Corvantis'; do
    w reg delete "$key" /f >/dev/null 2>&1 || true
  done
}

echo "== registration"
forget_everything
w regsvr32 /s "$bin/standin_handler.dll" || fail "the stand-in did not register"
w regsvr32 /s /n /i:user "$bin/orvelle.dll" || fail "regsvr32 /n /i:user orvelle.dll exited with $?"
[ "$(default_value "HKCU\\$slot")" = "$orvelle" ] || fail "the per-user .mov slot does not name Orvelle"
w reg query 'HKCU\Software\Corvantis\Orvelle' /v PreviousMovHandler >"$work/saved.txt" ||
  fail "the displaced handler was not saved"
grep -q "$standin" "$work/saved.txt" || fail "the saved handler is not the stand-in"
# Wine's COM creates only machine-wide classes: mirror the per-user class key for the host.
w reg copy "HKCU\\Software\\Classes\\CLSID\\$orvelle" "HKLM\\Software\\Classes\\CLSID\\$orvelle" /s /f >/dev/null ||
  fail "cannot mirror the class key"

# host MOVIE SIZE NAME: the host's output for MOVIE, its bitmap in NAME.bmp.
host() {
  w "$bin/orvelle-thumbhost.exe" "$1" "$work/$3.bmp" "$2" >"$work/$3.host.txt" || true
  cat "$work/$3.host.txt"
}

echo "== Hap movies against the native program"
python3 "$here/make_synthetic_movies.py" "$work/synthetic"
compared=0
for movie in "$movies"/hap*.mov "$work"/synthetic/*.mov; do
  for size in 256 64; do
    name=$(basename "$movie" .mov)_$size
    result=$(host "$movie" $size "$name")
    case "$result" in
      "hr=0x00000000 alpha=2"*) ;;
      *) fail "$name: the host reported: $result" ;;
    esac
    "$native" thumb -s $size --no-fallback "$movie" "$work/$name.png" || fail "$name: native orvelle failed"
    echo "$work/$name.bmp $work/$name.png" >>"$work/pairs.txt"
    compared=$((compared + 1))
  done
done
python3 "$here/compare_thumbnail.py" --pairs "$work/pairs.txt" || fail "the DLL's pixels differ from the native program's"
echo "$compared thumbnails equal"

echo "== a movie without Hap goes to the previous handler"
result=$(host "$movies/h264_320x240.mov" 256 h264)
# The stand-in answers S_FALSE and WTSAT_RGB with 48 x 32 pixels of B, G, R, A =
# 5A, C0 (the stream stood at 0), 00 (STGM_READ), 00 (the movie's first byte).
[ "$result" = "$(printf 'hr=0x00000001 alpha=1\nsize=48x32')" ] || fail "h264: the host reported: $result"
python3 - "$work/h264.bmp" <<'PY' || fail "h264: not the stand-in's bitmap"
import sys
data = open(sys.argv[1], "rb").read()
assert data[54:] == bytes([0x5A, 0xC0, 0x00, 0x00]) * (48 * 32), data[54:62].hex()
PY

echo "== unregistration"
w reg delete "HKLM\\Software\\Classes\\CLSID\\$orvelle" /f >/dev/null || fail "cannot remove the mirrored class key"
w regsvr32 /s /u /n /i:user "$bin/orvelle.dll" || fail "regsvr32 /u /n /i:user orvelle.dll exited with $?"
[ "$(default_value "HKCU\\$slot")" = "$standin" ] || fail "the slot does not name the stand-in again"
w regedit /e "$work/after.reg" || fail "cannot export the registry"
if iconv -f UTF-16LE -t UTF-8 "$work/after.reg" | grep -i -F -e "$orvelle" -e corvantis -e orvelle.dll; then
  fail "Orvelle left the entries above in the registry"
fi
forget_everything
echo "end to end: passed"
