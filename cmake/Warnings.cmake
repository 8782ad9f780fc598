# Warnings are on for every target of the project, and kept clean.
add_compile_options(-Wall -Wextra)
# The core reports errors by status codes; it neither throws nor inspects types at run time.
set(ORVELLE_CORE_FLAGS -fno-exceptions -fno-rtti)
