# With ORVELLE_SANITIZE every target of the project is built and linked with
# AddressSanitizer and UndefinedBehaviorSanitizer (after cmake/Warnings.cmake).
if(ORVELLE_SANITIZE)
  # Halt on the first report so that a sanitizer finding always fails the test.
  set(_orvelle_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(orvelle_build_flags INTERFACE ${_orvelle_san})
  target_link_options(orvelle_build_flags INTERFACE ${_orvelle_san})
endif()
