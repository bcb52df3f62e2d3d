# Install step: writes protk.dat, the host's registry entry for the add-in, beside the module.
# Expects VT_MODULE_NAME, VT_WINDOWS_PATHS, VT_PACKAGE_LOCATION and VT_PROTK_TEMPLATE.  Installed
# normally, the file names the module and the text folder under the install prefix; written into
# a package (VT_PACKAGING in the environment, set by the CPack project file), it names the folder
# the package is meant to be unpacked as.
if(DEFINED ENV{VT_PACKAGING} AND VT_PACKAGE_LOCATION)
  set(vt_root "${VT_PACKAGE_LOCATION}")
else()
  set(vt_root "${CMAKE_INSTALL_PREFIX}")
endif()
set(VT_EXEC_FILE "${vt_root}/${VT_MODULE_NAME}")
set(VT_TEXT_DIR "${vt_root}/text")
set(vt_newlines UNIX)
if(VT_WINDOWS_PATHS)
  string(REPLACE "/" "\\" VT_EXEC_FILE "${VT_EXEC_FILE}")
  string(REPLACE "/" "\\" VT_TEXT_DIR "${VT_TEXT_DIR}")
  set(vt_newlines DOS)
endif()
set(vt_protk "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/protk.dat")
message(STATUS "Installing: ${vt_protk}")
configure_file("${VT_PROTK_TEMPLATE}" "${vt_protk}" @ONLY NEWLINE_STYLE ${vt_newlines})
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${vt_protk}")
