#!/usr/bin/env bash
# Builds the aarch64-w64-mingw32 runtime that Debian does not package: mingw-w64's
# headers and CRT (msvcrt by default), compiler-rt's builtins, and libunwind, libc++abi
# and libc++ (static, Win32 threads), all from Debian's own source packages, with
# clang-19, lld-19 and llvm-19. It prints the runtime's directory as its last line:
#   DIR/bin/aarch64-w64-mingw32-{clang,clang++,windres}   compilers for CMake
#   DIR/aarch64-w64-mingw32                                the sysroot
# The result is cached under /var/cache/orvelle (ORVELLE_CACHE overrides), keyed by the
# source versions and by this script, so it is built once per machine.
# msvcrt rather than the UCRT: Wine for arm64 runs ARM64 programs only against msvcrt.
set -euo pipefail
triple=aarch64-w64-mingw32
cache=${ORVELLE_CACHE:-/var/cache/orvelle}
jobs=${ORVELLE_JOBS:-2}

source_version() {  # the Debian source version a binary package was built from
  dpkg-query -W -f '${source:Version}' "$1" 2>/dev/null ||
    { echo "mingw-w64-aarch64-runtime.sh: $1 is not installed (run scripts/setup.sh)" >&2; exit 1; }
}
mingw_version=$(source_version mingw-w64-common)
llvm_version=$(source_version clang-19)
recipe=$(sha256sum "$0" | cut -c1-12)
out=$cache/mingw-w64-$triple/${mingw_version}_llvm-${llvm_version#*:}_$recipe

if [ -f "$out/.complete" ]; then
  echo "$out"
  exit 0
fi
mkdir -p "$cache/sources" "$(dirname "$out")"
exec 9>"$out.lock"
flock 9
if [ -f "$out/.complete" ]; then  # another run finished it while this one waited
  echo "$out"
  exit 0
fi

started=$SECONDS
work=$out.work
rm -rf "$out" "$work"
mkdir -p "$work" "$out/bin"
sysroot=$out/$triple
resource=$out/clang-resource
llvm_bin=/usr/lib/llvm-19/bin
say() { echo "== $* ($((SECONDS - started)) s)" >&2; }

# Tools: clang with the sysroot, a resource directory of our own (it gets the builtins)
# and LLVM's runtimes instead of GCC's; the RC compiler writes ARM64 objects.
cp -r "$("$llvm_bin/clang" -print-resource-dir)" "$resource"
for driver in clang clang++; do
  cat >"$out/bin/$triple-$driver" <<EOF
#!/bin/sh
exec $llvm_bin/$driver --target=$triple --sysroot=$sysroot -resource-dir=$resource \\
  -rtlib=compiler-rt -unwindlib=libunwind -stdlib=libc++ -fuse-ld=lld -Qunused-arguments "\$@"
EOF
done
cat >"$out/bin/$triple-windres" <<EOF
#!/bin/sh
exec $llvm_bin/llvm-windres --target=$triple -I$sysroot/include "\$@"
EOF
chmod +x "$out/bin/"*
cc=$out/bin/$triple-clang
binutils=(AR="$llvm_bin/llvm-ar" RANLIB="$llvm_bin/llvm-ranlib" DLLTOOL="$llvm_bin/llvm-dlltool")

say "fetching mingw-w64 $mingw_version and llvm-toolchain-19 $llvm_version sources"
(cd "$cache/sources" &&
  apt-get source --download-only "mingw-w64=$mingw_version" "llvm-toolchain-19=$llvm_version" >/dev/null 2>&1) ||
  { echo "mingw-w64-aarch64-runtime.sh: apt-get source failed (is there a deb-src entry? run scripts/setup.sh)" >&2; exit 1; }
dpkg-source -x "$cache/sources/mingw-w64_${mingw_version#*:}.dsc" "$work/mingw" >/dev/null
llvm_upstream=${llvm_version#*:}
llvm_upstream=${llvm_upstream%-*}
mkdir "$work/llvm"
# Only the runtimes and the CMake modules they use, a tenth of the tarball.
tar xJf "$cache/sources/llvm-toolchain-19_$llvm_upstream.orig.tar.xz" -C "$work/llvm" --strip-components=1 \
  llvm-toolchain-19_$llvm_upstream/{compiler-rt,libcxx,libcxxabi,libunwind,runtimes,cmake,llvm/cmake,llvm/utils,third-party}

say "mingw-w64 headers"
mkdir "$work/headers" && cd "$work/headers"
"$work/mingw/mingw-w64-headers/configure" --host=$triple --prefix="$sysroot" \
  --with-default-msvcrt=msvcrt >/dev/null
make install >/dev/null

say "mingw-w64 CRT"
mkdir "$work/crt" && cd "$work/crt"
"$work/mingw/mingw-w64-crt/configure" --host=$triple --prefix="$sysroot" --with-default-msvcrt=msvcrt \
  --disable-lib32 --disable-lib64 --enable-libarm64 CC="$cc" "${binutils[@]}" >/dev/null
make -j"$jobs" >/dev/null 2>"$work/crt.log" || { tail -n 30 "$work/crt.log" >&2; exit 1; }
make install >/dev/null

# Nothing links yet, so CMake must not try to link its test programs.
cmake_common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Windows
  -DCMAKE_SYSTEM_PROCESSOR=aarch64 -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cc++"
  -DCMAKE_C_COMPILER_WORKS=ON -DCMAKE_CXX_COMPILER_WORKS=ON
  -DCMAKE_AR="$llvm_bin/llvm-ar" -DCMAKE_RANLIB="$llvm_bin/llvm-ranlib"
  -DCMAKE_C_FLAGS=-unwindlib=none -DCMAKE_CXX_FLAGS=-unwindlib=none)

say "compiler-rt builtins"
cmake -S "$work/llvm/compiler-rt/lib/builtins" -B "$work/builtins" "${cmake_common[@]}" \
  -DCMAKE_C_COMPILER_TARGET=$triple -DCMAKE_ASM_COMPILER="$cc" -DCMAKE_ASM_COMPILER_TARGET=$triple \
  -DCOMPILER_RT_DEFAULT_TARGET_ONLY=ON -DCOMPILER_RT_INSTALL_PATH="$resource" \
  -DLLVM_CMAKE_DIR="$work/llvm/llvm/cmake/modules" >/dev/null
cmake --build "$work/builtins" -j"$jobs" >/dev/null
cmake --install "$work/builtins" >/dev/null

say "libunwind, libc++abi, libc++"
cmake -S "$work/llvm/runtimes" -B "$work/runtimes" "${cmake_common[@]}" \
  -DCMAKE_INSTALL_PREFIX="$sysroot" -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" \
  -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBCXXABI_ENABLE_SHARED=OFF -DLIBCXX_ENABLE_SHARED=OFF \
  -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXX_USE_COMPILER_RT=ON \
  -DLIBCXXABI_USE_LLVM_UNWINDER=ON -DLIBCXX_CXX_ABI=libcxxabi -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON \
  -DLIBCXX_HAS_WIN32_THREAD_API=ON -DLIBCXXABI_HAS_WIN32_THREAD_API=ON \
  -DLIBCXX_ENABLE_FILESYSTEM=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF -DLIBCXX_INCLUDE_TESTS=OFF \
  -DLIBCXXABI_INCLUDE_TESTS=OFF -DLIBUNWIND_INCLUDE_TESTS=OFF -DLLVM_INCLUDE_TESTS=OFF >/dev/null
cmake --build "$work/runtimes" -j"$jobs" >/dev/null
cmake --install "$work/runtimes" >/dev/null

cd "$cache"
rm -rf "$work"
touch "$out/.complete"
say "runtime ready in $out"
echo "$out"
