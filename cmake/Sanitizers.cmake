if(ORVELLE_SANITIZE)
  # Halt on the first report so that a sanitizer finding always fails the test.
  set(_orvelle_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_orvelle_san})
  add_link_options(${_orvelle_san})
endif()
