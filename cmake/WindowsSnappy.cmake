# Snappy for the Windows build: the pristine upstream tarball from Debian's source
# package, fetched once into the build tree and built as a static subproject. The
# core's Snappy lookup links the `snappy` target this defines.
set(ORVELLE_SNAPPY_DOWNLOAD_DIR ${CMAKE_BINARY_DIR}/_snappy)
file(MAKE_DIRECTORY ${ORVELLE_SNAPPY_DOWNLOAD_DIR})

file(GLOB _snappy_tarball ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/snappy_*.orig.tar.gz)
if(NOT _snappy_tarball)
  message(STATUS "Fetching Debian's Snappy source package")
  execute_process(COMMAND apt-get source --download-only snappy
                  WORKING_DIRECTORY ${ORVELLE_SNAPPY_DOWNLOAD_DIR}
                  RESULT_VARIABLE _snappy_rc OUTPUT_QUIET ERROR_VARIABLE _snappy_err)
  file(GLOB _snappy_tarball ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/snappy_*.orig.tar.gz)
  if(NOT _snappy_rc EQUAL 0 OR NOT _snappy_tarball)
    message(FATAL_ERROR "apt-get source snappy failed (is there a deb-src entry? run scripts/setup.sh):\n${_snappy_err}")
  endif()
endif()

# Debian's own patches stay unapplied: one of them breaks a static build.
set(ORVELLE_SNAPPY_SOURCE_DIR ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/source)
if(NOT EXISTS ${ORVELLE_SNAPPY_SOURCE_DIR}/CMakeLists.txt)
  file(REMOVE_RECURSE ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/unpack ${ORVELLE_SNAPPY_SOURCE_DIR})
  file(ARCHIVE_EXTRACT INPUT ${_snappy_tarball} DESTINATION ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/unpack)
  file(GLOB _snappy_unpacked ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/unpack/snappy-*)
  file(RENAME ${_snappy_unpacked} ${ORVELLE_SNAPPY_SOURCE_DIR})
  file(REMOVE_RECURSE ${ORVELLE_SNAPPY_DOWNLOAD_DIR}/unpack)
endif()

foreach(_snappy_option SNAPPY_BUILD_TESTS SNAPPY_BUILD_BENCHMARKS SNAPPY_FUZZING_BUILD SNAPPY_INSTALL)
  set(${_snappy_option} OFF CACHE BOOL "" FORCE)
endforeach()
add_subdirectory(${ORVELLE_SNAPPY_SOURCE_DIR} ${CMAKE_BINARY_DIR}/snappy EXCLUDE_FROM_ALL)
# Snappy's own warnings are upstream's business, not this project's.
target_compile_options(snappy PRIVATE -w)
