# Builds the Windows ZIP with CPack and checks that it holds exactly the product files under one
# folder, with a registry file naming the folder the package is meant to be unpacked as.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DMODULE=vt_vexo.dll -DCPACK=... -DPACKAGE=<zip name>
#         -DFOLDER=<top folder> -DLOCATION=<unpacked location> -P zip-package.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/failures.cmake)
set(work ${BUILD_DIR}/dist-check/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

execute_process(COMMAND ${CPACK} -G ZIP -B ${work} --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT EXISTS ${work}/${PACKAGE})
  message(FATAL_ERROR "cpack did not make ${PACKAGE} (${rc}):\n${out}\n${err}")
endif()

file(MAKE_DIRECTORY ${work}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${work}/${PACKAGE} WORKING_DIRECTORY ${work}/unpacked
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "cannot unpack ${PACKAGE}")
endif()

# The unpacked files, and the empty menus folders, which only the package's own folder entries
# can have made.
set(unpacked ${work}/unpacked)
file(GLOB icons RELATIVE ${SOURCE_DIR}/dist/icons ${SOURCE_DIR}/dist/icons/*.gif)
set(want ${FOLDER}/${MODULE} ${FOLDER}/protk.dat)
foreach(dir text text/usascii text/german text/french text/japanese)
  list(APPEND want ${FOLDER}/${dir}/menu_vt_vexo.txt)
  foreach(icon ${icons})
    list(APPEND want ${FOLDER}/${dir}/resource/${icon})
  endforeach()
  if(NOT IS_DIRECTORY ${unpacked}/${FOLDER}/${dir}/menus)
    fail("${PACKAGE} lacks the folder ${FOLDER}/${dir}/menus/")
  endif()
endforeach()
expect_files(${unpacked} want)
# Every file entry of the archive became one of those files: none is named twice or lies outside
# the folder it was unpacked in.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${work}/${PACKAGE} RESULT_VARIABLE rc OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "[^\n]*[^/\n](\n|$)" entries "${listing}")
list(LENGTH entries entry_count)
tree_files(${unpacked} have)
list(LENGTH have have_count)
if(rc OR NOT entry_count EQUAL have_count)
  fail("${PACKAGE} lists ${entry_count} files (${rc}), of which ${have_count} unpacked:\n${listing}")
endif()

# Compared as hex: file(READ) would drop the carriage returns.
file(READ ${unpacked}/${FOLDER}/protk.dat protk_hex HEX)
string(REPLACE "/" "\\" location "${LOCATION}")
set(want_protk "name vt_vexo\r\nstartup dll\r\nexec_file ${location}\\${MODULE}\r\ntext_dir ${location}\\text\r\nrevision Wildfire\r\nend\r\n")
file(WRITE ${work}/protk.want "${want_protk}")
file(READ ${work}/protk.want want_hex HEX)
file(READ ${unpacked}/${FOLDER}/protk.dat protk)
if(NOT protk_hex STREQUAL want_hex)
  fail("protk.dat in ${PACKAGE} reads\n${protk}\ninstead of\n${want_protk}")
endif()
end_checks("${PACKAGE} does not hold exactly the product")
message(STATUS "${PACKAGE}: ${FOLDER}/ with the module, protk.dat and the text tree, nothing else")
