# The Windows Installer package vt-vexo-X.Y.Z.msi of the i686 build, made with Debian's wixl from
# dist/msi/vt-vexo.wxs (see there for what it installs).  The text tree's part of the WiX source
# is written here from the same folder and icon lists as the staged application directory, and
# the installation notes from the README's installation section.
if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()
find_program(VT_WIXL wixl)
find_program(VT_MSIBUILD msibuild)
find_program(VT_MSIDUMP msidump)
if(NOT VT_WIXL OR NOT VT_MSIBUILD OR NOT VT_MSIDUMP)
  message(STATUS "wixl or msibuild not found (Debian packages wixl, msitools): no Windows Installer package")
  return()
endif()

set(VT_MSI_DIR ${CMAKE_BINARY_DIR}/msi)
set(VT_MSI_FILE ${CMAKE_BINARY_DIR}/vt-vexo-${PROJECT_VERSION}.msi)

# A stable component GUID for a name, for the components that hold only a folder.
function(vt_msi_guid name out)
  string(UUID guid NAMESPACE 5E2C8A41-7D3B-4F60-9C1E-2A8B6D4F0C13 NAME "${name}" TYPE SHA1 UPPER)
  set(${out} ${guid} PARENT_SCOPE)
endfunction()

# text-tree.wxi: text\ and each language folder, with the message file, menus\ and resource\.
set(tree "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>\n")
set(refs "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>\n")
string(APPEND tree "<Directory Id=\"TextDir\" Name=\"text\">\n")
# wixl takes sources relative to the folder it runs in, the build folder.
file(RELATIVE_PATH vt_app_relative ${CMAKE_BINARY_DIR} ${VT_APP_DIR})
foreach(folder "" ${VT_TEXT_FOLDERS})
  if(folder STREQUAL "")
    set(id root)
    set(source ${vt_app_relative}/text)
  else()
    set(id ${folder})
    set(source ${vt_app_relative}/text/${folder})
    string(APPEND tree "<Directory Id=\"Text_${id}\" Name=\"${folder}\">\n")
  endif()
  string(APPEND tree
    "  <Component Id=\"Messages_${id}\" Guid=\"*\">\n"
    "    <File Id=\"Messages_${id}\" Name=\"menu_vt_vexo.txt\" Source=\"${source}/menu_vt_vexo.txt\" KeyPath=\"yes\" />\n"
    "    <RemoveFolder Id=\"RemoveText_${id}\" On=\"uninstall\" />\n"
    "  </Component>\n")
  vt_msi_guid("menus ${id}" menus_guid)
  string(APPEND tree
    "  <Directory Id=\"Menus_${id}\" Name=\"menus\">\n"
    "    <Component Id=\"Menus_${id}\" Guid=\"${menus_guid}\">\n"
    "      <CreateFolder />\n"
    "      <RemoveFolder Id=\"RemoveMenus_${id}\" On=\"uninstall\" />\n"
    "    </Component>\n"
    "  </Directory>\n"
    "  <Directory Id=\"Resource_${id}\" Name=\"resource\">\n"
    "    <Component Id=\"Icons_${id}\" Guid=\"*\">\n")
  set(key_path " KeyPath=\"yes\"")
  foreach(icon ${VT_ICON_FILES})
    get_filename_component(icon_name ${icon} NAME)
    get_filename_component(icon_stem ${icon} NAME_WE)
    string(APPEND tree "      <File Id=\"Icon_${id}_${icon_stem}\" Name=\"${icon_name}\" Source=\"${source}/resource/${icon_name}\"${key_path} />\n")
    set(key_path "")
  endforeach()
  string(APPEND tree
    "      <RemoveFolder Id=\"RemoveResource_${id}\" On=\"uninstall\" />\n"
    "    </Component>\n"
    "  </Directory>\n")
  if(NOT folder STREQUAL "")
    string(APPEND tree "</Directory>\n")
  endif()
  string(APPEND refs "<ComponentRef Id=\"Messages_${id}\" />\n<ComponentRef Id=\"Menus_${id}\" />\n<ComponentRef Id=\"Icons_${id}\" />\n")
endforeach()
string(APPEND tree "</Directory>\n</Include>\n")
string(APPEND refs "</Include>\n")
vt_write_if_changed(${VT_MSI_DIR}/text-tree.wxi "${tree}")
vt_write_if_changed(${VT_MSI_DIR}/text-tree-refs.wxi "${refs}")

# INSTALL.txt: the README's installation section, with Windows line ends for Notepad.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
file(READ ${CMAKE_SOURCE_DIR}/README.md vt_readme)
string(FIND "${vt_readme}" "\n## Installing into the CAD host\n" vt_from)
if(vt_from LESS 0)
  message(FATAL_ERROR "README.md has no section '## Installing into the CAD host' for the package's notes")
endif()
math(EXPR vt_from "${vt_from} + 1")
string(SUBSTRING "${vt_readme}" ${vt_from} -1 vt_notes)
string(FIND "${vt_notes}" "\n## " vt_to)
if(vt_to GREATER 0)
  string(SUBSTRING "${vt_notes}" 0 ${vt_to} vt_notes)
endif()
string(REPLACE "\n" "\r\n" vt_notes "vt-vexo ${PROJECT_VERSION}\n\n${vt_notes}\n")
vt_write_if_changed(${VT_MSI_DIR}/INSTALL.txt "${vt_notes}")

add_custom_command(
  OUTPUT ${VT_MSI_FILE}
  COMMAND ${CMAKE_COMMAND} -DWIXL=${VT_WIXL} -DMSIBUILD=${VT_MSIBUILD} -DMSIDUMP=${VT_MSIDUMP}
          -DSOURCE=${CMAKE_SOURCE_DIR}/dist/msi/vt-vexo.wxs -DINCLUDE_DIR=${VT_MSI_DIR}
          -DVERSION=${PROJECT_VERSION} -DBIN_DIR=bin -DNOTES=msi/INSTALL.txt -DOUTPUT=${VT_MSI_FILE}
          -P ${CMAKE_SOURCE_DIR}/cmake/make-msi.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/msi/vt-vexo.wxs ${CMAKE_SOURCE_DIR}/cmake/make-msi.cmake
          ${VT_MSI_DIR}/text-tree.wxi ${VT_MSI_DIR}/text-tree-refs.wxi ${VT_MSI_DIR}/INSTALL.txt
          vt_vexo vthost vt_protk vt_app
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Building the Windows Installer package vt-vexo-${PROJECT_VERSION}.msi"
  VERBATIM)
add_custom_target(msi ALL DEPENDS ${VT_MSI_FILE})
