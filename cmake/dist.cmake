# The distribution: the application directory beside the add-in module and the host's registry file.
#
# The application directory holds a text folder per language (text/<language>) and the bare
# fall-back text/, each with the menu message file menu_vt_vexo.txt, a menus/ folder and the menu
# icons in resource/.  It is staged at build time as ${CMAKE_BINARY_DIR}/app, laid out exactly as
# installed, so that the host simulator and the tests can use it without installing.  The install
# rules put the module, protk.dat (written at install time for the installed location) and the text
# tree into the prefix; on the Windows build CPack zips the same product files.

set(VT_APP_DIR ${CMAKE_BINARY_DIR}/app)
set(VT_TEXT_FOLDERS usascii german french japanese)
file(GLOB VT_ICON_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dist/icons/*.gif)

# ---- build-time staging: app/text/... ----------------------------------------------------------
set(vt_stage_outputs)
set(vt_stage_sources ${VT_ICON_FILES})
set(vt_stage_commands)
foreach(folder "" ${VT_TEXT_FOLDERS})
  if(folder STREQUAL "")
    set(dir text)
  else()
    set(dir text/${folder})
  endif()
  set(messages ${CMAKE_SOURCE_DIR}/dist/${dir}/menu_vt_vexo.txt)
  list(APPEND vt_stage_sources ${messages})
  list(APPEND vt_stage_outputs ${VT_APP_DIR}/${dir}/menu_vt_vexo.txt)
  foreach(icon ${VT_ICON_FILES})
    get_filename_component(icon_name ${icon} NAME)
    list(APPEND vt_stage_outputs ${VT_APP_DIR}/${dir}/resource/${icon_name})
  endforeach()
  list(APPEND vt_stage_commands
       COMMAND ${CMAKE_COMMAND} -E make_directory ${VT_APP_DIR}/${dir}/menus ${VT_APP_DIR}/${dir}/resource
       COMMAND ${CMAKE_COMMAND} -E copy ${messages} ${VT_APP_DIR}/${dir}/
       COMMAND ${CMAKE_COMMAND} -E copy ${VT_ICON_FILES} ${VT_APP_DIR}/${dir}/resource/)

  install(FILES ${messages} DESTINATION ${dir} COMPONENT product)
  install(FILES ${VT_ICON_FILES} DESTINATION ${dir}/resource COMPONENT product)
  install(DIRECTORY DESTINATION ${dir}/menus COMPONENT product)
endforeach()

add_custom_command(OUTPUT ${vt_stage_outputs}
                   ${vt_stage_commands}
                   DEPENDS ${vt_stage_sources}
                   COMMENT "Staging the application directory app/"
                   VERBATIM)
add_custom_target(vt_app ALL DEPENDS ${vt_stage_outputs})

# ---- the module and its registry file -----------------------------------------------------------
if(WIN32)
  set(VT_PACKAGE_LOCATION "C:/vt_vexo" CACHE STRING
      "Folder the Windows package is unpacked as; the packaged protk.dat names the module and texts there")
  # protk.dat separates a keyword from its value by a blank: a path with blanks cannot be read.
  if(VT_PACKAGE_LOCATION MATCHES "[ \t]" OR NOT VT_PACKAGE_LOCATION MATCHES "^[A-Za-z]:/.")
    message(FATAL_ERROR "VT_PACKAGE_LOCATION must be an absolute Windows path without blanks, like C:/vt_vexo")
  endif()
endif()

install(PROGRAMS $<TARGET_FILE:vt_vexo> DESTINATION . COMPONENT product)

# protk.dat for the installed location, written when installing (the prefix is known only then).
install(CODE "set(VT_MODULE_NAME \"$<TARGET_FILE_NAME:vt_vexo>\")
set(VT_WINDOWS_PATHS \"${WIN32}\")
set(VT_PACKAGE_LOCATION \"${VT_PACKAGE_LOCATION}\")
set(VT_PROTK_TEMPLATE \"${CMAKE_SOURCE_DIR}/dist/protk.dat.in\")
include(\"${CMAKE_SOURCE_DIR}/cmake/install-protk.cmake\")" COMPONENT product)

# The staged application directory gets a registry file naming the module in the build tree.
set(VT_EXEC_FILE "$<TARGET_FILE:vt_vexo>")
set(VT_TEXT_DIR "${VT_APP_DIR}/text")
configure_file(${CMAKE_SOURCE_DIR}/dist/protk.dat.in ${CMAKE_BINARY_DIR}/protk.dat.genex @ONLY)
if(WIN32)
  set(vt_newlines DOS)
else()
  set(vt_newlines UNIX)
endif()
file(GENERATE OUTPUT ${VT_APP_DIR}/protk.dat INPUT ${CMAKE_BINARY_DIR}/protk.dat.genex
     NEWLINE_STYLE ${vt_newlines})

# Files left in app/ by an earlier configuration (a removed icon, a registry file from a build
# that had the module) would make the staged tree differ from the installed one: remove them.
set(vt_app_files ${vt_stage_outputs})
list(APPEND vt_app_files ${VT_APP_DIR}/protk.dat)
file(GLOB_RECURSE vt_app_present ${VT_APP_DIR}/*)
foreach(file ${vt_app_present})
  if(NOT file IN_LIST vt_app_files)
    file(REMOVE ${file})
  endif()
endforeach()

# The stand-in client library is no part of the product; a demonstration install may put it
# beside the module: cmake --install <build> --component demo.
install(PROGRAMS $<TARGET_FILE:VTProeVEXO> DESTINATION . COMPONENT demo EXCLUDE_FROM_ALL)

# ---- the Windows package ------------------------------------------------------------------------
if(WIN32)
  get_filename_component(vt_package_folder ${VT_PACKAGE_LOCATION} NAME)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME vt_vexo)
  set(CPACK_PACKAGE_VENDOR Vantor)
  set(CPACK_PACKAGE_FILE_NAME vt_vexo-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /${vt_package_folder})
  # Only the product component goes into the package, whatever else the build installs.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL product)
  # Tells the protk.dat step that it writes into a package, not into the final location.
  file(WRITE ${CMAKE_BINARY_DIR}/vt_cpack_project.cmake "set(ENV{VT_PACKAGING} 1)\n")
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/vt_cpack_project.cmake)
  include(CPack)
endif()
