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
movies=$2 native=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_test_lib.sh"

if [ ! -x "$native" ]; then
  echo "the native orvelle program is missing at $native; build it first (scripts/build.sh)" >&2
  exit 1
fi

wine_test_init "$5" "$4"

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
mirror_class_key

echo "== Hap movies against the native program"
python3 "$here/make_synthetic_movies.py" "$work/synthetic"
compared=0
for movie in "$movies"/hap*.mov "$work"/synthetic/*.mov; do
  for size in 256 64; do
    name=$(basename "$movie" .mov)_$size
    queue_hap_comparison "$bin/orvelle-thumbhost.exe" "$native" "$movie" $size "$name"
    compared=$((compared + 1))
  done
done
compare_queued_thumbnails
echo "$compared thumbnails equal"

echo "== a movie without Hap goes to the previous handler"
result=$(host "$bin/orvelle-thumbhost.exe" "$movies/h264_320x240.mov" 256 h264)
# The stand-in answers S_FALSE and WTSAT_RGB with 48 x 32 pixels of B, G, R, A =
# 5A, C0 (the stream stood at 0), 00 (STGM_READ), 00 (the movie's first byte).
[ "$result" = "$(printf 'hr=0x00000001 alpha=1\nsize=48x32')" ] || fail "h264: the host reported: $result"
python3 - "$work/h264.bmp" <<'PY' || fail "h264: not the stand-in's bitmap"
import sys
data = open(sys.argv[1], "rb").read()
assert data[54:] == bytes([0x5A, 0xC0, 0x00, 0x00]) * (48 * 32), data[54:62].hex()
PY

echo "== unregistration"
drop_class_key_mirror || fail "cannot remove the mirrored class key"
w regsvr32 /s /u /n /i:user "$bin/orvelle.dll" || fail "regsvr32 /u /n /i:user orvelle.dll exited with $?"
[ "$(default_value "HKCU\\$slot")" = "$standin" ] || fail "the slot does not name the stand-in again"
expect_registry_free_of_orvelle
forget_everything
echo "end to end: passed"
