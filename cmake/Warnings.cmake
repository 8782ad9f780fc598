# orvelle_build_flags: what every target of the project builds with, and only
# its own targets (third-party sources built here, Snappy's and GoogleTest's,
# keep theirs). Warnings are on and kept clean.
add_library(orvelle_build_flags INTERFACE)
target_compile_options(orvelle_build_flags INTERFACE -Wall -Wextra)
# The core reports errors by status codes; it neither throws nor inspects types at run time.
set(ORVELLE_CORE_FLAGS -fno-exceptions -fno-rtti)
