# Keeps the folders in one order: a file may include headers of its own folder and of the
# folders listed for it, never of one above. Included by the build, it adds a step that checks
# every source whenever one changes; run with `cmake -DROOT=<source> -P`, it does the check.
cmake_minimum_required(VERSION 3.20)
set(vakro_layers_data data)
set(vakro_layers_hooklib hooklib)
set(vakro_layers_toolkit data toolkit)
set(vakro_layers_shell data toolkit shell)
set(vakro_layers_plugins data toolkit shell plugins)
set(vakro_layers_engine data hooklib toolkit shell plugins engine)
set(vakro_layers_ui data hooklib toolkit shell plugins engine ui)
set(vakro_layer_folders data hooklib toolkit shell plugins engine ui)

function(vakro_layer_sources root result)
  set(sources)
  foreach(folder ${vakro_layer_folders})
    file(GLOB found ${root}/${folder}/*.h ${root}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  set(${result} ${sources} PARENT_SCOPE)
endfunction()

if(NOT CMAKE_SCRIPT_MODE_FILE)
  vakro_layer_sources(${CMAKE_SOURCE_DIR} layered_sources)
  set(stamp ${CMAKE_BINARY_DIR}/layers.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${layered_sources} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that every folder includes only the folders below it")
  add_custom_target(check_layers ALL DEPENDS ${stamp})
  return()
endif()

vakro_layer_sources(${ROOT} sources)
set(faults)
foreach(source ${sources})
  file(RELATIVE_PATH relative ${ROOT} ${source})
  string(REGEX MATCH "^[^/]+" folder ${relative})
  file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
  foreach(line ${includes})
    string(REGEX MATCH "\"([a-z_]+)/" _ ${line})
    set(included ${CMAKE_MATCH_1})
    if(NOT included IN_LIST vakro_layers_${folder})
      list(JOIN vakro_layers_${folder} ", " allowed)
      list(APPEND faults "${relative}: ${line} (${folder}/ may include only ${allowed})")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the folder order:\n  ${text}")
endif()
