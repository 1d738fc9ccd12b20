# Include paths that follow the arrows. No library sees the source tree as a
# whole: each one publishes its own headers through a folder of links made at
# configure time (build/include/<target>/<folder>/<header>), and a library
# finds only the headers of what it links. An include that runs against the
# arrows (the Jet SQL translator including the recordset, the engine
# including the word store) names a file that is not on the include path, and
# the build fails there.
#
#   lexi_publish_headers(<target> <folder> [PRIVATE_HEADERS <name>...])
#
# <folder> is relative to the source root and is also the prefix the includes
# use ("engine/ado/Recordset.h"); headers in sub-folders are published too.
# Headers named under PRIVATE_HEADERS are published to the target's own
# sources only, not to the libraries that link it.
function(lexi_publish_headers target folder)
  cmake_parse_arguments(ARG "" "" "PRIVATE_HEADERS" ${ARGN})
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  else()
    set(scope PUBLIC)
  endif()

  set(public_root ${CMAKE_BINARY_DIR}/include/${target})
  set(private_root ${CMAKE_BINARY_DIR}/include/${target}-private)
  file(REMOVE_RECURSE ${public_root} ${private_root})
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
       ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    if(name IN_LIST ARG_PRIVATE_HEADERS)
      set(root ${private_root})
    else()
      set(root ${public_root})
    endif()
    get_filename_component(dir ${root}/${folder}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()

  target_include_directories(${target} ${scope} ${public_root})
  if(ARG_PRIVATE_HEADERS)
    target_include_directories(${target} PRIVATE ${private_root})
  endif()
endfunction()
