# One version for everything that shows one: the project's VERSION reaches the generated header
# vt_version.h (the recording header, vthost --version), the version resource of every Windows
# module and program, the packages' names and the MSI's ProductVersion.
configure_file(${CMAKE_SOURCE_DIR}/cmake/vt_version.h.in ${CMAKE_BINARY_DIR}/generated/vt_version.h @ONLY)
add_library(vt_version INTERFACE)
target_include_directories(vt_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# vt_version_resource(TARGET DESCRIPTION): gives a Windows module or program a version resource
# naming the file the target builds.  Nothing elsewhere: an ELF file carries none.
function(vt_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(VT_RC_FILE_TYPE VFT_APP)
    set(VT_RC_FILE_NAME ${output_name}.exe)
  else()
    set(VT_RC_FILE_TYPE VFT_DLL)
    set(VT_RC_FILE_NAME ${output_name}.dll)
  endif()
  set(VT_RC_DESCRIPTION "${description}")
  set(VT_RC_INTERNAL_NAME ${output_name})
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
