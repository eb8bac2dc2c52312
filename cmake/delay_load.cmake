# Import libraries whose DLL loads at the first call of one of its functions instead of at
# start (dlltool's delay-import libraries; the loader helper is in mingw-w64's runtime). The
# program uses these libraries only in the settings window or for rare commands, and each DLL
# loaded at start costs time and memory for as long as the program runs.
#
#   vakro_delay_import(comdlg32)   makes the target comdlg32_delayed from delay/comdlg32.def
#
# The .def files list the functions in use with their i686 stdcall sizes; the x64 names have none.
# Only the x64 build delays them (see below).
function(vakro_delay_import name)
  # dlltool's i686 delay-import thunks call address 0 under Wine (seen at start of the 32-bit
  # program), so the 32-bit build imports these libraries as usual.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_library(${name}_delayed INTERFACE IMPORTED GLOBAL)
    set_target_properties(${name}_delayed PROPERTIES INTERFACE_LINK_LIBRARIES ${name})
    return()
  endif()
  set(def_source ${CMAKE_SOURCE_DIR}/cmake/delay/${name}.def)
  set(out ${CMAKE_BINARY_DIR}/delay)
  set(def ${out}/${name}.def)
  set(library ${out}/lib${name}_delayed.a)
  file(READ ${def_source} text)
  string(REGEX REPLACE "@[0-9]+" "" text "${text}")
  file(WRITE ${def} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_source})
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${library}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dlltool could not make the delay-import library of ${name}")
  endif()
  add_library(${name}_delayed STATIC IMPORTED GLOBAL)
  set_target_properties(${name}_delayed PROPERTIES IMPORTED_LOCATION ${library})
endfunction()
