# Provides the target Snappy::snappy for the Hap frame decoder.
# A build that adds Snappy's own source tree first (the Windows build) has a
# target named `snappy`, which is used as is; otherwise the installed library
# is found, and SNAPPY_INCLUDE_DIR / SNAPPY_LIBRARY may point at another one.
if(TARGET Snappy::snappy)
  return()
endif()

if(TARGET snappy)
  add_library(Snappy::snappy ALIAS snappy)
  return()
endif()

find_path(SNAPPY_INCLUDE_DIR snappy.h)
find_library(SNAPPY_LIBRARY snappy)
if(NOT SNAPPY_INCLUDE_DIR OR NOT SNAPPY_LIBRARY)
  message(FATAL_ERROR "Snappy not found: install libsnappy-dev, or set SNAPPY_INCLUDE_DIR and SNAPPY_LIBRARY")
endif()

# GLOBAL, so that the tests in their own folder can link it too.
add_library(Snappy::snappy UNKNOWN IMPORTED GLOBAL)
set_target_properties(Snappy::snappy PROPERTIES
  IMPORTED_LOCATION "${SNAPPY_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${SNAPPY_INCLUDE_DIR}")
