# ORVELLE_WINDOWS_ARCH: the Windows architecture of this build, x64, x86 or arm64, named as
# the build and test scripts and the installer name them.
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" _orvelle_processor)
if(_orvelle_processor MATCHES "^(x86_64|amd64|x64)$")
  set(ORVELLE_WINDOWS_ARCH x64)
elseif(_orvelle_processor MATCHES "^(x86|i[3-6]86)$")
  set(ORVELLE_WINDOWS_ARCH x86)
elseif(_orvelle_processor MATCHES "^(arm64|aarch64)$")
  set(ORVELLE_WINDOWS_ARCH arm64)
else()
  message(FATAL_ERROR "No Windows build for the processor ${CMAKE_SYSTEM_PROCESSOR}")
endif()
