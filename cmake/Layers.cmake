# The tree's folders are layers: base/ below everything, then hap/ and texture/,
# container/, core/ on those, and the programs on core/. Sources name headers by
# folder ("hap/hap_frame.h"), so one include root for the whole tree would let
# any folder reach any other. Instead each folder gets an include root of its
# own in the build tree, holding a single link to that folder: a target sees a
# folder's headers only when it links the library that hands out its root.

# orvelle_include_root(FOLDER VAR): sets VAR to FOLDER's include root, made on
# first use. FOLDER may be nested ("tests/support").
function(orvelle_include_root folder var)
  string(MAKE_C_IDENTIFIER ${folder} name)
  set(root ${PROJECT_BINARY_DIR}/include_roots/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  set(${var} ${root} PARENT_SCOPE)
endfunction()

# orvelle_layer(TARGET FOLDER [USES libraries...]): TARGET is the library of
# FOLDER. It hands its users FOLDER's include root, links the libraries it
# uses (their headers reach TARGET's users too) and builds with the project's
# warnings and sanitizers, which its users inherit.
function(orvelle_layer target folder)
  cmake_parse_arguments(arg "" "" "USES" ${ARGN})
  orvelle_include_root(${folder} root)
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${root})
  target_link_libraries(${target} ${scope} orvelle_build_flags ${arg_USES})
endfunction()
