# The resource step: resource scripts (see the comment at the top of platform/tools/kvrc/kvrc.cpp) are
# compiled by kvrc into a C++ source holding the module's resource directory.

# kv_resource_sources(VAR SCRIPT [DEFINES NAME=VALUE ...]): compiles SCRIPT and appends the generated source to
# VAR, so the resources can be built into an existing module (a deliverable with its own string tables).
function(kv_resource_sources var script)
  cmake_parse_arguments(KV "" "" "DEFINES" ${ARGN})
  get_filename_component(abs ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(stem ${abs} NAME_WE)
  string(MD5 hash ${abs})
  string(SUBSTRING ${hash} 0 8 hash)
  set(outdir ${CMAKE_CURRENT_BINARY_DIR}/kvres)
  set(out ${outdir}/${stem}_${hash}.cpp)
  set(defs)
  foreach(d ${KV_DEFINES})
    list(APPEND defs -D ${d})
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:kvrc> ${abs} -o ${out} --depfile ${out}.d ${defs}
    DEPENDS kvrc ${abs}
    DEPFILE ${out}.d
    COMMENT "Compiling resource script ${script}"
    VERBATIM)
  set(${var} ${${var}} ${out} PARENT_SCOPE)
endfunction()

# kv_resource_module(NAME SCRIPT [DEFINES NAME=VALUE ...] [SOURCES ...]): a module (kv_module) holding the
# resources of SCRIPT, such as the model's resource and picture libraries.
function(kv_resource_module name script)
  cmake_parse_arguments(KV "" "" "DEFINES;SOURCES" ${ARGN})
  set(srcs)  # not the caller's list of the same name
  kv_resource_sources(srcs ${script} DEFINES ${KV_DEFINES})
  kv_module(${name} SOURCES ${srcs} ${KV_SOURCES})
endfunction()

if(NOT TARGET kvrc)
  add_subdirectory(${CMAKE_SOURCE_DIR}/platform/tools ${CMAKE_BINARY_DIR}/platform/tools)
  if(EXISTS ${CMAKE_SOURCE_DIR}/platform/tests/fixtures/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/platform/tests/fixtures ${CMAKE_BINARY_DIR}/platform/tests/fixtures)
  endif()
endif()
