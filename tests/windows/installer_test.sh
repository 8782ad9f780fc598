#!/usr/bin/env bash
# orvelle-setup.exe under Wine, as a user would run it with handlers already on .mov and .avi:
#   installer_test.sh SETUP BIN_DIR MOVIE_DIR NATIVE_ORVELLE WORK_DIR WINEPREFIX VERSION MAKENSIS NSI
#                     [X86_DLL X86_HOST]
# With the x86 DLL and host (which the setup then carries), their files and the 32-bit view
# of the classes are checked beside the x64 ones.
# 1. setup /S installs per user, registers, writes the uninstall entry; the installed host
#    draws Hap thumbnails (QuickTime and AVI) equal to the native program's;
# 2. setup /S again, while a host holds the DLL, upgrades in place and keeps the saved handlers;
# 3. once the host lets go, the uninstaller leaves no file and no registry entry of Orvelle;
# 4. while a host holds the DLL, the uninstaller restores the slots and leaves the held copy
#    to a clean-up at the next logon, which removes it;
# 5. with the installed DLL deleted or damaged, the uninstaller hands each slot back (or
#    deletes it when nothing usable is saved) and removes Orvelle's keys itself;
# 6. a DLL without DllInstall makes setup fail, and the uninstaller still removes it all.
set -euo pipefail
setup=${1:?usage: installer_test.sh SETUP BIN_DIR MOVIE_DIR NATIVE_ORVELLE WORK_DIR WINEPREFIX VERSION MAKENSIS NSI}
bin=$2 movies=$3 native=$4 version=$7 makensis=$8 nsi=$9 x86_dll=${10:-} x86_host=${11:-}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_test_lib.sh"
wine_test_init "$6" "$5"

uninstall_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvelle'
runonce_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce'
session_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager'
# A handler that takes a slot after Orvelle.
other='{0D0D0D0D-1111-2222-3333-444444444444}'

w cmd /c 'echo %LOCALAPPDATA%& echo %TEMP%' >"$work/folders.txt" || fail "cannot read %LOCALAPPDATA%"
location="$(sed -n 1p "$work/folders.txt")\\Programs\\Orvelle"
w winepath -u "$location" "$(sed -n 2p "$work/folders.txt")" >"$work/unix_folders.txt" || fail "cannot map $location"
dir=$(sed -n 1p "$work/unix_folders.txt")
dir=${dir%/}
# Where the uninstaller runs a copy of itself, left for a reboot to delete.
temp=$(sed -n 2p "$work/unix_folders.txt")

# reg_value KEY NAME: the value's data, or nothing when it is missing.
reg_value() {
  w reg query "$1" /v "$2" >"$work/query.txt" 2>/dev/null || return 0
  sed -n "s/^ *$2 *REG_[A-Z_]* *//p" "$work/query.txt"
}

holders=()
# hold MODULE NAME: a Windows process keeps MODULE loaded until release_holders.
hold() {
  local flag=$work/$2.held
  wine_tool wine64 "$bin/hold_module.exe" "$1" "Z:$flag" </dev/null >"$work/$2.hold.out" 2>&1 &
  holders+=($!)
  for _ in $(seq 100); do
    [ -f "$flag" ] && return 0
    sleep 0.1
  done
  fail "hold_module did not load $1"
}

release_holders() {
  rm -f "$work"/*.held
  for pid in "${holders[@]}"; do wait "$pid" || true; done
  holders=()
}

# Removes whatever an earlier run left: files, registrations, clean-ups still pending.
forget_everything() {
  release_holders
  rm -rf "$dir" "${temp%/}"/~nsu*.tmp
  sed 's/$/\r/' >"$work/forget.reg" <<EOF
Windows Registry Editor Version 5.00

[-HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\$orvelle]
[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$orvelle]
[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$standin]
[-HKEY_CURRENT_USER\\$slot]
[-HKEY_LOCAL_MACHINE\\$slot]
[-HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\$orvelle_avi]
[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$orvelle_avi]
[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$standin_avi]
[-HKEY_CURRENT_USER\\$avi_slot]
[-HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID\\$orvelle]
[-HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID\\$orvelle_avi]
[-HKEY_LOCAL_MACHINE\\$avi_slot]
[-HKEY_CURRENT_USER\\Software\\Corvantis]
[-$uninstall_key]

[$runonce_key]
"Orvelle"=-

[$session_key]
"PendingFileRenameOperations"=-
EOF
  w regedit /s "Z:${work//\//\\}\\forget.reg" || fail "cannot clean the registry"
}
trap release_holders EXIT

# Runs the uninstaller as Settings > Apps does, with the entry's QuietUninstallString.
# It copies itself to %TEMP% and returns at once; the copy, which runs with "_?=" and the
# location, removes the entry last and then exits.
uninstall() {
  [ "$(reg_value "$uninstall_key" QuietUninstallString)" = "\"$location\\uninstall.exe\" /S" ] ||
    fail "the uninstall entry has no quiet uninstall string"
  w "$location\\uninstall.exe" /S || fail "the uninstaller exited with $?"
  for _ in $(seq 100); do
    # Only reg's own word that the entry is gone: reg failing otherwise proves nothing.
    if ! out=$(w reg query "$uninstall_key") && [[ $out == *"Unable to find the specified registry key"* ]] &&
      ! grep -q -s -F -e "_?=$location" /proc/[0-9]*/cmdline; then
      return 0
    fi
    sleep 0.1
  done
  fail "the uninstaller did not finish"
}

# expect_slots MOV_CLASS AVI_CLASS WHAT: the per-user slots' classes (- for no slot).
expect_slots() {
  [ "$(default_value "HKCU\\$slot")" = "${1#-}" ] || fail "the .mov slot does not name $3"
  [ "$(default_value "HKCU\\$avi_slot")" = "${2#-}" ] || fail "the .avi slot does not name $3"
}

expect_installed() {
  cmp -s "$dir/orvelle.dll" "$bin/orvelle.dll" || fail "orvelle.dll is not installed in $dir"
  cmp -s "$dir/orvelle-thumbhost.exe" "$bin/orvelle-thumbhost.exe" || fail "the host is not installed"
  [ -f "$dir/uninstall.exe" ] || fail "no uninstaller in $dir"
  expect_slots "$orvelle" "$orvelle_avi" Orvelle
  [ "$(reg_value 'HKCU\Software\Corvantis\Orvelle' PreviousMovHandler)" = "$standin" ] &&
    [ "$(reg_value 'HKCU\Software\Corvantis\Orvelle' PreviousAviHandler)" = "$standin_avi" ] ||
    fail "the saved previous handlers are not the stand-in's"
  local class server view views=("CLSID=orvelle.dll")
  if [ -n "$x86_dll" ]; then
    cmp -s "$dir/x86/orvelle.dll" "$x86_dll" && cmp -s "$dir/x86/orvelle-thumbhost.exe" "$x86_host" ||
      fail "the x86 DLL and host are not installed in $dir/x86"
    views+=("Wow6432Node\\CLSID=x86\\orvelle.dll")
  fi
  for view in "${views[@]}"; do
    for class in "$orvelle" "$orvelle_avi"; do
      server=$(default_value "HKCU\\Software\\Classes\\${view%%=*}\\$class\\InprocServer32")
      [ "$server" = "$location\\${view#*=}" ] ||
        fail "the class $class in ${view%%=*} names '$server', not the installed ${view#*=}"
    done
  done

  local bytes=0 file
  for file in orvelle.dll orvelle-thumbhost.exe uninstall.exe ${x86_dll:+x86/orvelle.dll x86/orvelle-thumbhost.exe}; do
    bytes=$((bytes + $(stat -c %s "$dir/$file")))
  done
  w reg query "$uninstall_key" >"$work/entry.txt" || fail "no uninstall entry"
  local expected name found
  for expected in "DisplayName=Orvelle" "DisplayVersion=$version" "Publisher=Corvantis" \
                  "InstallLocation=$location" "UninstallString=\"$location\\uninstall.exe\"" \
                  "EstimatedSize=$(printf '0x%x' $((bytes / 1024)))" "NoModify=0x1" "NoRepair=0x1"; do
    name=${expected%%=*}
    found=$(sed -n "s/^ *$name *REG_[A-Z_]* *//p" "$work/entry.txt")
    [ "$found" = "${expected#*=}" ] || fail "uninstall entry: $name is '$found', not '${expected#*=}'"
  done
}

echo "== install"
forget_everything
w regsvr32 /s "$bin/standin_handler.dll" || fail "the stand-in did not register"
w "$setup" /S || fail "setup /S exited with $?"
expect_installed
mirror_class_key
queue_hap_comparison "$dir/orvelle-thumbhost.exe" "$native" "$movies/hap5_320x240.mov" 256 hap5
queue_hap_comparison "$dir/orvelle-thumbhost.exe" "$native" "$movies/hapy_480x272.avi" 256 hapy_avi
compare_queued_thumbnails
drop_class_key_mirror

echo "== upgrade in place while a host holds the DLL"
hold "$location\\orvelle.dll" first
# On Windows, HKCR now shows Orvelle in the slot; under Wine it shows only HKLM, so put it there.
w reg add "HKLM\\$slot" /ve /d "$orvelle" /f >/dev/null
w reg add "HKLM\\$avi_slot" /ve /d "$orvelle_avi" /f >/dev/null
w "$setup" /S || fail "setup /S over the installed copy exited with $?"
w reg add "HKLM\\$slot" /ve /d "$standin" /f >/dev/null
w reg add "HKLM\\$avi_slot" /ve /d "$standin_avi" /f >/dev/null
expect_installed
aside=("$dir"/ns*.tmp)
[ ${#aside[@]} = 1 ] && cmp -s "${aside[0]}" "$bin/orvelle.dll" || fail "the held DLL was not moved aside"
[ -n "$(reg_value "$runonce_key" Orvelle)" ] || fail "no clean-up at the next logon"

echo "== uninstall once the host has let go"
release_holders
uninstall
[ ! -e "$dir" ] || fail "the uninstaller left $(ls "$dir")"
expect_slots "$standin" "$standin_avi" "the stand-in again"
expect_registry_free_of_orvelle

echo "== uninstall while a host holds the DLL"
w "$setup" /S || fail "setup /S exited with $?"
expect_installed
hold "$location\\orvelle.dll" second
uninstall
expect_slots "$standin" "$standin_avi" "the stand-in again"
left=$(cd "$dir" && echo *)
[[ "$left" =~ ^ns[^\ ]*\.tmp$ ]] || fail "the uninstaller left $left"
reg_value "$session_key" PendingFileRenameOperations | grep -q -F "$location\\\\0" ||
  fail "the folder is not removed at the next reboot"
release_holders
# The next logon deletes the clean-up's entry, then runs it.
cleanup=$(reg_value "$runonce_key" Orvelle)
w reg delete "$runonce_key" /v Orvelle /f >/dev/null
printf '%s\r\n' "$cleanup" >"$work/logon.cmd"
w cmd /q /d /c "Z:${work//\//\\}\\logon.cmd" || fail "the logon clean-up failed"
[ ! -e "$dir" ] || fail "the logon clean-up left $(ls "$dir")"
expect_registry_free_of_orvelle
w reg delete "$session_key" /v PendingFileRenameOperations /f >/dev/null

echo "== uninstall after the DLL was deleted or damaged"
# saved .mov value | saved .avi value (- for none) | what happens to the DLL |
# the .mov and .avi slots afterwards (- for no slot, taken: another handler took it)
while read -r saved_mov saved_avi damage after_mov after_avi; do
  w "$setup" /S || fail "setup /S exited with $?"
  expect_installed
  for saved in "PreviousMovHandler=$saved_mov" "PreviousAviHandler=$saved_avi"; do
    case "${saved#*=}" in
      -) w reg delete 'HKCU\Software\Corvantis\Orvelle' /v "${saved%%=*}" /f >/dev/null ;;
      *) w reg add 'HKCU\Software\Corvantis\Orvelle' /v "${saved%%=*}" /d "${saved#*=}" /f >/dev/null ;;
    esac
  done
  if [ "$after_avi" = taken ]; then
    w reg add "HKCU\\$avi_slot" /ve /d "$other" /f >/dev/null
  fi
  case "$damage" in
    deleted) rm "$dir/orvelle.dll" ;;
    truncated) truncate -s 4096 "$dir/orvelle.dll" ;;
    x86-deleted) rm -f "$dir/x86/orvelle.dll" ;;
  esac
  uninstall
  [ ! -e "$dir" ] || fail "$damage DLL: the uninstaller left $(ls "$dir")"
  if [ "$after_avi" = taken ]; then
    expect_slots "$after_mov" "$other" "$after_mov, $other after uninstalling with a $damage DLL"
    # The value saved for the slot the other handler took stays, and with it its key.
    [ "$(reg_value 'HKCU\Software\Corvantis\Orvelle' PreviousAviHandler)" = "$saved_avi" ] ||
      fail "the .avi slot's saved value went with the slot another handler took"
    w reg delete 'HKCU\Software\Corvantis' /f >/dev/null
  else
    expect_slots "$after_mov" "$after_avi" "$after_mov, $after_avi after uninstalling with a $damage DLL"
  fi
  expect_registry_free_of_orvelle
  # The next round starts, as the machine does, with the stand-in in the slots.
  w reg add "HKCU\\$slot" /ve /d "$standin" /f >/dev/null
  w reg add "HKCU\\$avi_slot" /ve /d "$standin_avi" /f >/dev/null
done <<EOF
$standin $standin_avi deleted $standin $standin_avi
- - truncated - -
${orvelle,,} ${orvelle_avi,,} truncated - -
${orvelle_avi,,} ${orvelle,,} deleted - -
$standin $standin_avi truncated $standin taken
$standin $standin_avi x86-deleted $standin $standin_avi
EOF

echo "== a DLL that cannot register"
mkdir "$work/broken"
cp "$bin/standin_handler.dll" "$work/broken/orvelle.dll"
"$makensis" -V1 -NOCD -DVERSION="$version" -DDLL="$work/broken/orvelle.dll" -DHOST="$bin/orvelle-thumbhost.exe" \
  -DOUTFILE="$work/broken-setup.exe" "$nsi" || fail "cannot build the broken setup"
rc=0
w "$work/broken-setup.exe" /S >/dev/null || rc=$?
[ $rc = 2 ] || fail "setup with a DLL lacking DllInstall exited with $rc, not 2"
expect_slots "$standin" "$standin_avi" "the stand-in still"
uninstall
[ ! -e "$dir" ] || fail "the uninstaller left $(ls "$dir")"
expect_registry_free_of_orvelle

forget_everything
echo "installer: passed"
