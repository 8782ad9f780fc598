#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: packages
# already present are left alone and the package lists are refreshed only once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsnappy-dev libpng-dev googletest libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev valgrind
  libosmesa6 libosmesa6-dev
  ffmpeg ffmpegthumbnailer bubblewrap hyperfine time
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 dpkg-dev nsis
  lintian gir1.2-gnomedesktop-3.0 python3-gi
  # 32-bit and ARM64 Windows: mingw-w64 for i686, clang and lld for aarch64, 32-bit Wine
  g++-mingw-w64-i686-posix mingw-w64-i686-dev clang-19 lld-19 llvm-19 wine32:i386
  # AArch64 Linux, cross-built and run under emulation; an arm64 root for Wine on ARM64
  g++-aarch64-linux-gnu qemu-user qemu-user-static binfmt-support debootstrap
  libsnappy-dev:arm64 libpng-dev:arm64 zlib1g-dev:arm64 libgtest-dev:arm64
  # Desktops: Xfce's thumbnail service, KDE's preview plug-ins, Cinnamon's and MATE's factories
  tumbler gstreamer1.0-plugins-base dbus
  kio kio-extras ffmpegthumbs extra-cmake-modules libkf5kio-dev libkf5coreaddons-dev
  gir1.2-cinnamondesktop-3.0 gir1.2-matedesktop-2.0 mate-desktop-common
)

# Packages of other architectures come through multiarch.
foreign=$(dpkg --print-foreign-architectures)
for arch in i386 arm64; do
  grep -qx "$arch" <<<"$foreign" || dpkg --add-architecture "$arch"
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Snappy for the Windows build comes from Debian's source package, which needs a
# deb-src entry; derive it from the machine's own Debian entry.
need_src_entry=0
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_src_entry=1
fi

if [ ${#missing[@]} -eq 0 ] && [ $need_src_entry -eq 0 ]; then
  exit 0
fi

if [ $need_src_entry -eq 1 ]; then
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    grep -q 'debian-archive-keyring' "$f" || continue
    sed -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' "$f" \
      > "/etc/apt/sources.list.d/orvelle-src-$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^deb([[:space:]])/deb-src\1/' \
      > /etc/apt/sources.list.d/orvelle-src.list || true
  fi
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update
if [ ${#missing[@]} -gt 0 ]; then
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
