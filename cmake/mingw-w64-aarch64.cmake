# Cross-compiles the ARM64 shell extension with clang-19 and lld-19 against the
# aarch64-w64-mingw32 runtime that scripts/mingw-w64-aarch64-runtime.sh builds; pass its
# directory as -DORVELLE_AARCH64_MINGW=DIR (scripts/build-windows.sh --arch arm64 does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)

# CMake's test projects read this file again without the cache: hand the path on.
if(ORVELLE_AARCH64_MINGW)
  set(ENV{ORVELLE_AARCH64_MINGW} "${ORVELLE_AARCH64_MINGW}")
elseif(DEFINED ENV{ORVELLE_AARCH64_MINGW})
  set(ORVELLE_AARCH64_MINGW "$ENV{ORVELLE_AARCH64_MINGW}")
else()
  message(FATAL_ERROR "Set ORVELLE_AARCH64_MINGW to the runtime of scripts/mingw-w64-aarch64-runtime.sh")
endif()

set(CMAKE_C_COMPILER ${ORVELLE_AARCH64_MINGW}/bin/aarch64-w64-mingw32-clang)
set(CMAKE_CXX_COMPILER ${ORVELLE_AARCH64_MINGW}/bin/aarch64-w64-mingw32-clang++)
set(CMAKE_RC_COMPILER ${ORVELLE_AARCH64_MINGW}/bin/aarch64-w64-mingw32-windres)
set(CMAKE_AR /usr/lib/llvm-19/bin/llvm-ar)
set(CMAKE_RANLIB /usr/lib/llvm-19/bin/llvm-ranlib)

# Headers and libraries come only from the runtime's sysroot; build tools from the host.
set(CMAKE_FIND_ROOT_PATH ${ORVELLE_AARCH64_MINGW}/aarch64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
