# The distribution: the staged, installed and packaged trees (no emulator needed), `vthost check`
# on installed trees with planted faults, and the Windows Installer package.
add_test(NAME dist.installed_tree_and_registry_file
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 -DMODULE=$<TARGET_FILE_NAME:vt_vexo> -DSTANDIN=$<TARGET_FILE_NAME:VTProeVEXO>
                 -DWINDOWS=${WIN32} -P ${CMAKE_CURRENT_LIST_DIR}/installed-tree.cmake)
set_tests_properties(dist.installed_tree_and_registry_file PROPERTIES LABELS "dist;static")
if(WIN32)
  add_test(NAME dist.windows_package_holds_exactly_the_product
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                   -DMODULE=$<TARGET_FILE_NAME:vt_vexo> -DCPACK=${CMAKE_CPACK_COMMAND}
                   -DPACKAGE=vt_vexo-${PROJECT_VERSION}-win32.zip -DFOLDER=${vt_package_folder}
                   -DLOCATION=${VT_PACKAGE_LOCATION} -P ${CMAKE_CURRENT_LIST_DIR}/zip-package.cmake)
  set_tests_properties(dist.windows_package_holds_exactly_the_product PROPERTIES LABELS "dist;static")
endif()

# vthost check on the installed tree and on copies with planted faults; vthost --registry.  The
# Windows build runs vthost.exe under the emulator.  Where the i686 build (the product) and the
# x86-64 Windows build exist beside this one, their package and module are checked too.
if(VT_REGISTER_TEST_PROGRAMS)
  set(VT_I686_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/win CACHE PATH
      "The i686 Windows build whose package vthost check inspects (if built)")
  set(VT_FOREIGN_MODULE ${CMAKE_SOURCE_DIR}/build/win64/bin/vt_vexo.dll CACHE FILEPATH
      "An x86-64 Windows module that vthost check must refuse (if built)")
  # The machine this build's module and vthost are for: the product's own (i386), the x86-64
  # Windows test build's, or the native one.  An x86-64 module is foreign to all but its own build.
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(vt_machine i386)
  elseif(WIN32)
    set(vt_machine x86-64)
  else()
    set(vt_machine native)
  endif()
  set(vt_foreign "")
  if(NOT vt_machine STREQUAL "x86-64")
    set(vt_foreign ${VT_FOREIGN_MODULE})
  endif()
  add_test(NAME dist.vthost_check_finds_planted_faults
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                   -DVTHOST=$<TARGET_FILE:vthost> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                   -DMODULE=$<TARGET_FILE_NAME:vt_vexo> -DSTANDIN=$<TARGET_FILE_NAME:VTProeVEXO>
                   -DLACKING=$<TARGET_FILE:VTProeVEXO_lacking> -DWINDOWS=${WIN32} -DMACHINE=${vt_machine} -DVERSION=${PROJECT_VERSION}
                   -DFOREIGN=${vt_foreign} -DI686_BUILD=${VT_I686_BUILD_DIR}
                   -P ${CMAKE_CURRENT_LIST_DIR}/vthost-check-installed.cmake)
  set_tests_properties(dist.vthost_check_finds_planted_faults PROPERTIES LABELS "dist;vthost")
endif()

# The Windows Installer package of the i686 build: its tables everywhere; installed, upgraded and
# removed under Wine's msiexec where 32-bit programs run; elsewhere unpacked and set up with the
# win64 build's programs.
if(TARGET msi)
  set(VT_WIN64_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/win64 CACHE PATH
      "The x86-64 Windows build whose programs stand in for the package's where no 32-bit code runs")
  # The tools that made the package (cmake/msi.cmake found them) make the older package of the
  # upgrade test and dump the tables; msitools' msiinfo and msiextract read the package.
  find_program(VT_MSIINFO msiinfo)
  find_program(VT_MSIEXTRACT msiextract)
  set(vt_msi_args -DMSI=${VT_MSI_FILE} -DVERSION=${PROJECT_VERSION} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                  -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DSTANDIN=$<TARGET_FILE:VTProeVEXO>
                  -DWIN64_BIN=${VT_WIN64_BUILD_DIR}/bin
                  -DWIXL=${VT_WIXL} -DMSIBUILD=${VT_MSIBUILD} -DMSIDUMP=${VT_MSIDUMP}
                  -DMSIINFO=${VT_MSIINFO} -DMSIEXTRACT=${VT_MSIEXTRACT})
  add_test(NAME dist.msi_tables COMMAND ${CMAKE_COMMAND} ${vt_msi_args} -DMODE=tables
                                        -P ${CMAKE_CURRENT_LIST_DIR}/msi-package.cmake)
  set_tests_properties(dist.msi_tables PROPERTIES LABELS "dist;msi;static")
  if(VT_REGISTER_TEST_PROGRAMS)
    add_test(NAME dist.msi_install_upgrade_remove
             COMMAND ${CMAKE_COMMAND} ${vt_msi_args} -DMODE=install -P ${CMAKE_CURRENT_LIST_DIR}/msi-package.cmake)
    set_tests_properties(dist.msi_install_upgrade_remove PROPERTIES LABELS "dist;msi" TIMEOUT 900)
  else()
    add_test(NAME dist.msi_unpacked_and_set_up
             COMMAND ${CMAKE_COMMAND} ${vt_msi_args} -DMODE=unpacked -P ${CMAKE_CURRENT_LIST_DIR}/msi-package.cmake)
    set_tests_properties(dist.msi_unpacked_and_set_up PROPERTIES LABELS "dist;msi;static" TIMEOUT 300)
  endif()
endif()
