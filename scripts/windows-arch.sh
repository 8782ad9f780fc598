# The Windows architectures the handler is built for, sourced by the build and test scripts.
# windows_arch ARCH: sets windows_tree (the default build tree) and windows_toolchain (the
# CMake toolchain file) for x64, x86 or arm64, or fails for anything else.
# windows_arch_option ARGS...: windows_arch for a leading "--arch ARCH" (x64 without one); sets
# windows_arch_name to the architecture and windows_arch_shift to the arguments it took.
windows_arch_option() {
  windows_arch_name=x64 windows_arch_shift=0
  if [ "${1:-}" = --arch ]; then
    windows_arch_name=${2:?--arch needs x64, x86 or arm64} windows_arch_shift=2
  fi
  windows_arch "$windows_arch_name"
}

windows_arch() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  case $1 in
    x64) windows_tree=$root/build/windows windows_toolchain=$root/cmake/mingw-w64-x86_64.cmake ;;
    x86) windows_tree=$root/build/windows-x86 windows_toolchain=$root/cmake/mingw-w64-i686.cmake ;;
    arm64) windows_tree=$root/build/windows-arm64 windows_toolchain=$root/cmake/mingw-w64-aarch64.cmake ;;
    *) echo "unknown Windows architecture $1 (x64, x86 or arm64)" >&2; return 2 ;;
  esac
}
