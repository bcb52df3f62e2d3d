# The client library's functions as CMake reads them from their one list,
# pdmclient/vtpdm_functions.h: vt_client_functions(<variable>) sets the variable to the 32 names
# in the list's order.
function(vt_client_functions out)
  set(list_file ${CMAKE_SOURCE_DIR}/pdmclient/vtpdm_functions.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  file(READ ${list_file} text)
  string(REGEX MATCHALL "R\\(X, *[A-Za-z]+, *(none|text), *-?[0-9]+\\)" rows "${text}")
  set(names)
  foreach(row ${rows})
    string(REGEX REPLACE "R\\(X, *([A-Za-z]+),.*" "\\1" name "${row}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 32)
    message(FATAL_ERROR "${list_file}: ${count} client functions read, 32 expected")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()
