#!/usr/bin/env bash
# End to end under Wine, as a user would meet the handler:
#   end_to_end.sh BIN_DIR MOVIE_DIR NATIVE_ORVELLE WORK_DIR WINEPREFIX
# 1. a stand-in previous handler is registered machine-wide, one class in the .mov slot
#    and another in the .avi slot, then orvelle.dll for the user with regsvr32;
# 2. orvelle-thumbhost asks for thumbnails the way Explorer does; for every Hap movie,
#    QuickTime and AVI, they must equal, byte for byte, what the native `orvelle thumb` writes;
# 3. an H.264 movie gets its own slot's stand-in thumbnail, result code and alpha type;
# 4. regsvr32 /u gives both slots back to the stand-in and leaves nothing of Orvelle.
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
  for key in "HKLM\\Software\\Classes\\CLSID\\$orvelle" "HKLM\\Software\\Classes\\CLSID\\$orvelle_avi" \
             "HKCU\\$slot" "HKLM\\$slot" "HKCU\\$avi_slot" "HKLM\\$avi_slot" 'HKCU\Software\Corvantis'; do
    w reg delete "$key" /f >/dev/null 2>&1 || true
  done
}

echo "== registration"
forget_everything
w regsvr32 /s "$bin/standin_handler.dll" || fail "the stand-in did not register"
w regsvr32 /s /n /i:user "$bin/orvelle.dll" || fail "regsvr32 /n /i:user orvelle.dll exited with $?"
# slot key | Orvelle's class there | saved value | the stand-in class it displaced
while read -r key class value displaced; do
  [ "$(default_value "HKCU\\$key")" = "$class" ] || fail "the per-user slot $key does not name $class"
  w reg query 'HKCU\Software\Corvantis\Orvelle' /v "$value" >"$work/saved.txt" ||
    fail "$value: the displaced handler was not saved"
  grep -q "$displaced" "$work/saved.txt" || fail "$value is not the stand-in's $displaced"
done <<EOF
$slot $orvelle PreviousMovHandler $standin
$avi_slot $orvelle_avi PreviousAviHandler $standin_avi
EOF
mirror_class_key

echo "== Hap movies against the native program"
python3 "$here/make_synthetic_movies.py" "$work/synthetic"
# ORVELLE_END_TO_END_MOVIES, when set, names the only movies to compare (by file name).
compared=0
for movie in "$movies"/hap*.mov "$movies"/hap*.avi "$work"/synthetic/*.mov; do
  if [ -n "${ORVELLE_END_TO_END_MOVIES:-}" ] &&
    [[ " $ORVELLE_END_TO_END_MOVIES " != *" $(basename "$movie") "* ]]; then
    continue
  fi
  for size in 256 64; do
    name=$(basename "$movie" | tr . _)_$size
    queue_hap_comparison "$bin/orvelle-thumbhost.exe" "$native" "$movie" $size "$name"
    compared=$((compared + 1))
  done
done
[ "$compared" -gt 0 ] || fail "no movie to compare"
compare_queued_thumbnails
echo "$compared thumbnails equal"

echo "== a movie without Hap goes to its own slot's previous handler"
# The stand-in answers S_FALSE and WTSAT_RGB with 48 x 32 pixels of B, G, R, A = its
# class's marker (5A for .mov, A5 for .avi), C0 (the stream stood at 0), 00 (STGM_READ),
# the movie's first byte (00 of a QuickTime size, 52 of "RIFF").
while read -r movie pixel; do
  result=$(host "$bin/orvelle-thumbhost.exe" "$movies/$movie" 256 "$movie")
  [ "$result" = "$(printf 'hr=0x00000001 alpha=1\nsize=48x32')" ] || fail "$movie: the host reported: $result"
  python3 - "$work/$movie.bmp" "$pixel" <<'PY' || fail "$movie: not its slot's stand-in bitmap"
import sys
data = open(sys.argv[1], "rb").read()
assert data[54:] == bytes.fromhex(sys.argv[2]) * (48 * 32), data[54:62].hex()
PY
done <<EOF
h264_320x240.mov 5ac00000
h264_320x240.avi a5c00052
EOF

echo "== unregistration"
drop_class_key_mirror || fail "cannot remove the mirrored class key"
w regsvr32 /s /u /n /i:user "$bin/orvelle.dll" || fail "regsvr32 /u /n /i:user orvelle.dll exited with $?"
[ "$(default_value "HKCU\\$slot")" = "$standin" ] || fail "the .mov slot does not name the stand-in again"
[ "$(default_value "HKCU\\$avi_slot")" = "$standin_avi" ] ||
  fail "the .avi slot does not name the stand-in's .avi class again"
expect_registry_free_of_orvelle
forget_everything
echo "end to end: passed"
