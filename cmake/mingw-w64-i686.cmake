# Cross-compiles the 32-bit x86 shell extension with Debian's mingw-w64 (posix threads),
# statically linked like the x64 build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# SSE2 as the baseline: every Windows that runs 32-bit programs today requires it, it
# lets the core use its SSE2 writers, and it keeps float arithmetic in SSE registers.
# On x87 the plain writers would round through 80-bit intermediates, and their bytes
# would differ from every other build's. Callers compiled elsewhere keep the stack only
# 4-byte aligned, so functions that spill vector registers realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
# The .def files name the exports undecorated, as Windows looks them up; ld maps them to
# the __stdcall symbols (DllGetClassObject@12), which this says is meant.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--enable-stdcall-fixup")

# Headers and libraries come only from the mingw sysroot; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
