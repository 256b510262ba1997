# The program's libraries and the layering between them.
#
# Every folder of src/ belongs to one library, and a library may include only the headers of
# its own folders and of the libraries it uses (directly or through them). The check target
# veltra_layer_check, built before every library, scans each library's files and fails the
# build on an include of a folder the library may not use: a file reader that includes the
# run state (state/run.h) does not build.

# veltra_library(<name> FOLDERS <folder>... [USES <library>...] [EXCLUDE <file>...])
# A static library of the .cpp files of src/<folder>/, linked to the libraries it uses.
function(veltra_library name)
  cmake_parse_arguments(LIB "" "" "FOLDERS;USES;EXCLUDE" ${ARGN})
  set(sources)
  foreach(folder IN LISTS LIB_FOLDERS)
    file(GLOB folder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
    list(APPEND sources ${folder_sources})
  endforeach()
  foreach(excluded IN LISTS LIB_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/src/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(LIB_USES)
    target_link_libraries(${name} PUBLIC ${LIB_USES})
  endif()
  veltra_layer(${name} FOLDERS ${LIB_FOLDERS} USES ${LIB_USES})
endfunction()

# veltra_layer(<name> FOLDERS <folder>... [USES <library>...])
# Registers the folders of an existing library and what it may use for the layering check.
function(veltra_layer name)
  cmake_parse_arguments(LAYER "" "" "FOLDERS;USES" ${ARGN})
  set(allowed ${LAYER_FOLDERS})
  set(uses_closure)
  foreach(dep IN LISTS LAYER_USES)
    get_property(known GLOBAL PROPERTY VELTRA_LAYER_${dep}_ALLOWED SET)
    if(NOT known)
      message(FATAL_ERROR "${name} uses ${dep}, which is not a library of the program (declare it first)")
    endif()
    get_property(dep_allowed GLOBAL PROPERTY VELTRA_LAYER_${dep}_ALLOWED)
    get_property(dep_uses GLOBAL PROPERTY VELTRA_LAYER_${dep}_USES)
    list(APPEND allowed ${dep_allowed})
    list(APPEND uses_closure ${dep} ${dep_uses})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  if(uses_closure)
    list(REMOVE_DUPLICATES uses_closure)
  endif()
  set_property(GLOBAL APPEND PROPERTY VELTRA_LAYERS ${name})
  set_property(GLOBAL PROPERTY VELTRA_LAYER_${name}_FOLDERS ${LAYER_FOLDERS})
  set_property(GLOBAL PROPERTY VELTRA_LAYER_${name}_ALLOWED ${allowed})
  set_property(GLOBAL PROPERTY VELTRA_LAYER_${name}_USES ${uses_closure})
  add_dependencies(${name} veltra_layer_check)
endfunction()

# Called once the whole project is configured (deferred from the top directory), so that
# libraries declared by later subdirectories are checked too.
function(veltra_write_layer_check)
  get_property(layers GLOBAL PROPERTY VELTRA_LAYERS)
  set(manifest "")
  set(scanned)
  foreach(layer IN LISTS layers)
    get_property(folders GLOBAL PROPERTY VELTRA_LAYER_${layer}_FOLDERS)
    get_property(allowed GLOBAL PROPERTY VELTRA_LAYER_${layer}_ALLOWED)
    string(REPLACE ";" "," folders_text "${folders}")
    string(REPLACE ";" "," allowed_text "${allowed}")
    string(APPEND manifest "${layer}|${folders_text}|${allowed_text}\n")
    foreach(folder IN LISTS folders)
      file(GLOB files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.h ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
      list(APPEND scanned ${files})
    endforeach()
  endforeach()
  set(manifest_file ${CMAKE_BINARY_DIR}/veltra_layers.txt)
  file(WRITE ${manifest_file}.new "${manifest}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${manifest_file}.new ${manifest_file})
  set(stamp ${CMAKE_BINARY_DIR}/veltra_layer_check.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest_file} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DSTAMP=${stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    DEPENDS ${manifest_file} ${scanned} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking the includes of every library against the libraries it may use"
    VERBATIM)
  add_custom_target(veltra_layer_check ALL DEPENDS ${stamp})
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL veltra_write_layer_check)
