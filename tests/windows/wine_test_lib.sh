# Shared by the Windows test scripts that drive Wine: source it, then call wine_test_init.

# Orvelle's class, the stand-in's and the thumbnail slot, for .mov and then for .avi.
orvelle='{EFB41CBF-F9DF-4A58-BBF0-C5A4A2DC1BE8}'
standin='{82E4C09E-46F5-45A9-9CF9-80434BA040DE}'
slot='Software\Classes\.mov\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}'
orvelle_avi='{888C5CFE-94F0-4F68-8364-EAE8BBC59512}'
standin_avi='{453CD4DB-668A-45E4-A6B1-C7FC496D67AE}'
avi_slot='Software\Classes\.avi\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}'
windows_tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

. "$windows_tests/../../scripts/wine-env.sh"

# wine_test_init PREFIX WORK_DIR: makes the prefix unless it exists, and an empty WORK_DIR.
# The architecture comes from ORVELLE_WINE_ARCH (see scripts/wine-env.sh).
wine_test_init() {
  wine_env "$1"
  prefix=$WINEPREFIX
  work=$2
  wine_prefix_make
  rm -rf "$work"
  mkdir -p "$work"
  wine_output_dir=$work
}

# Runs a Windows program and prints its output, CRs removed.
w() {
  wine_run "$@"
}

# Under set -e a Windows program failing outside a check would end the script unexplained.
set -E
trap 'echo "FAILED: line $LINENO: \"$BASH_COMMAND\" exited with $?" >&2' ERR

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The default value of a key, or nothing when it is missing.
default_value() {
  w reg query "$1" /ve >"$work/query.txt" 2>/dev/null || return 0
  sed -n 's/^ *(Default) *REG_SZ *//p' "$work/query.txt"
}

# Wine's COM creates only machine-wide classes: the host needs the per-user class keys
# mirrored under HKLM.
mirror_class_key() {
  local class
  for class in "$orvelle" "$orvelle_avi"; do
    w reg copy "HKCU\\Software\\Classes\\CLSID\\$class" "HKLM\\Software\\Classes\\CLSID\\$class" /s /f >/dev/null ||
      fail "cannot mirror the class key of $class"
  done
}

drop_class_key_mirror() {
  w reg delete "HKLM\\Software\\Classes\\CLSID\\$orvelle" /f >/dev/null &&
    w reg delete "HKLM\\Software\\Classes\\CLSID\\$orvelle_avi" /f >/dev/null
}

# host HOST_EXE MOVIE SIZE NAME: the host's output for MOVIE, its bitmap in NAME.bmp.
host() {
  w "$1" "$2" "$work/$4.bmp" "$3" >"$work/$4.host.txt" || true
  cat "$work/$4.host.txt"
}

# queue_hap_comparison HOST_EXE NATIVE_ORVELLE MOVIE SIZE NAME: has the host draw a Hap
# movie's thumbnail and the native program write its PNG, for compare_queued_thumbnails.
queue_hap_comparison() {
  local result
  result=$(host "$1" "$3" "$4" "$5")
  case "$result" in
    "hr=0x00000000 alpha=2"*) ;;
    *) fail "$5: the host reported: $result" ;;
  esac
  "$2" thumb -s "$4" --no-fallback "$3" "$work/$5.png" || fail "$5: native orvelle failed"
  echo "$work/$5.bmp $work/$5.png" >>"$work/pairs.txt"
}

compare_queued_thumbnails() {
  python3 "$windows_tests/compare_thumbnail.py" --pairs "$work/pairs.txt" ||
    fail "the DLL's pixels differ from the native program's"
}

# Fails when the registry still holds Orvelle's class, DLL path, keys or values (a key or
# value named Orvelle; the stand-in's description merely mentions it).
expect_registry_free_of_orvelle() {
  w regedit /e "$work/after.reg" || fail "cannot export the registry"
  if iconv -f UTF-16LE -t UTF-8 "$work/after.reg" |
    grep -i -F -e "$orvelle" -e "$orvelle_avi" -e corvantis -e orvelle.dll -e '\Orvelle]' -e '"Orvelle"='; then
    fail "Orvelle left the entries above in the registry"
  fi
}
