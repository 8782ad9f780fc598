# Wine for the Windows builds' tests, headless, in a prefix of the caller's. Source it,
# then call wine_env PREFIX [ARCH] (ARCH defaults to $ORVELLE_WINE_ARCH, else x64):
#   x64, x86  the machine's Wine; 32-bit programs run through wine32 in the same prefix;
#   arm64     Wine for arm64 in the arm64 Debian root of scripts/arm64-wine-root.sh, under
#             qemu; the caller shares the directories its programs use (wine_share).
# Wine programs get files, never pipes: helper processes they start (services, explorer)
# inherit the pipe and would keep its reader waiting.

wine_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_env() {
  WINEPREFIX=$(realpath -m "${1:?wine_env PREFIX [ARCH]}")  # Wine wants it absolute
  wine_arch=${2:-${ORVELLE_WINE_ARCH:-x64}}
  export WINEPREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko installers, and no file associations written into the Linux desktop.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY WAYLAND_DISPLAY
  case $wine_arch in
    x64 | x86) wine_root= ;;
    arm64)
      if [ -z "${ORVELLE_ARM64_WINE_ROOT:-}" ]; then
        ORVELLE_ARM64_WINE_ROOT=$(bash "$wine_scripts/arm64-wine-root.sh" | tail -n 1) || return 1
      fi
      export ORVELLE_ARM64_WINE_ROOT
      wine_root=$ORVELLE_ARM64_WINE_ROOT
      mountpoint -q "$wine_root/proc" || mount --bind /proc "$wine_root/proc" ;;
    *) echo "wine_env: unknown architecture $wine_arch" >&2; return 2 ;;
  esac
}

# Whether this machine can run the architecture's programs at all: 32-bit Wine needs a
# kernel that runs 32-bit Linux programs, which some virtual machines' kernels do not.
wine_can_run() {
  [ "$wine_arch" != x86 ] || /usr/lib/wine/wine --version >/dev/null 2>&1
}

# wine_tool TOOL ARGS...: runs wine64 or wineserver, in the arm64 root when there is one.
wine_tool() {
  local tool=/usr/lib/wine/$1
  shift
  if [ -n "$wine_root" ]; then
    chroot "$wine_root" "$tool" "$@"
  else
    "$tool" "$@"
  fi
}

# wine_share DIR / wine_unshare DIR: makes DIR visible at the same path in the arm64 root
# (a bind mount), and takes it away again; nothing to do for the machine's own Wine.
wine_share() {
  [ -n "$wine_root" ] || return 0
  mkdir -p "$1" "$wine_root$1"
  mountpoint -q "$wine_root$1" || mount --bind "$1" "$wine_root$1"
}
wine_unshare() {
  [ -n "$wine_root" ] || return 0
  ! mountpoint -q "$wine_root$1" || umount -l "$wine_root$1"
}

# Makes the prefix unless it is already there; safe to call concurrently.
wine_prefix_make() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.orvelle-ready" ] && exit 0
    if [ -d "$WINEPREFIX" ]; then
      wine_tool wineserver -k </dev/null >/dev/null 2>&1 || true
    fi
    rm -rf "$WINEPREFIX"
    wine_tool wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
    # Wait for the first boot's service start-up and DLL registration to finish.
    wine_tool wineserver -w </dev/null >/dev/null 2>&1 || true
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine_prefix_make: wineboot failed for $WINEPREFIX" >&2; exit 1; }
    touch "$WINEPREFIX/.orvelle-ready"
  ) 9>"$WINEPREFIX.lock"
}

# Keeps one server up for the rest of a run and starts its services with no pipe to
# inherit; wine_stop ends it.
wine_keep_server() {
  wine_tool wineserver -p </dev/null >/dev/null 2>&1
  wine_tool wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1
}
wine_stop() {
  wine_tool wineserver -k </dev/null >/dev/null 2>&1 || true
}

# wine_run PROGRAM ARGS...: runs a Windows program and prints its output, CRs removed.
# Each call gets a file of its own (in $wine_output_dir, else $TMPDIR): a helper the
# program started keeps the file open after the program exits, and whatever it prints
# later must not land in a later call's output.
wine_run() {
  local rc=0 out
  out=$(mktemp "${wine_output_dir:-${TMPDIR:-/tmp}}/wine.XXXXXX") || return 125
  wine_tool wine64 "$@" </dev/null >"$out" 2>&1 || rc=$?
  tr -d '\r' <"$out"
  rm -f "$out"
  return $rc
}
