# Reliability checks beyond the unit suites: a client library that lacks an export, and valgrind
# memcheck of a whole session.  The fault-injection tests themselves are the suite
# test_reliability (tests/reliability/*.cpp).
# The stand-in client library without AfterSave, in a directory of its own with copies of the
# add-in module and of vthost beside it: the module finds its import there (natively through its
# $ORIGIN run path, on Windows beside the program that loads it).
set(VT_LACKING_DIR ${CMAKE_BINARY_DIR}/lacking)
add_library(VTProeVEXO_lacking SHARED ${CMAKE_SOURCE_DIR}/pdmclient/standin/VTProeVEXO.cpp)
target_include_directories(VTProeVEXO_lacking PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(VTProeVEXO_lacking PRIVATE VTPDM_BUILDING_LIBRARY VTPDM_WITHOUT_AFTERSAVE)
set_target_properties(VTProeVEXO_lacking PROPERTIES
  OUTPUT_NAME VTProeVEXO CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY ${VT_LACKING_DIR} RUNTIME_OUTPUT_DIRECTORY ${VT_LACKING_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${VT_LACKING_DIR})
if(WIN32)
  set_target_properties(VTProeVEXO_lacking PROPERTIES PREFIX "")
endif()
# The copies follow every rebuild of the module and of vthost.
add_custom_command(
  OUTPUT ${VT_LACKING_DIR}/copies.stamp
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vt_vexo> $<TARGET_FILE:vthost> ${VT_LACKING_DIR}/
  COMMAND ${CMAKE_COMMAND} -E touch ${VT_LACKING_DIR}/copies.stamp
  DEPENDS vt_vexo vthost $<TARGET_FILE:vt_vexo> $<TARGET_FILE:vthost>
  VERBATIM)
add_custom_target(vt_lacking_copies ALL DEPENDS ${VT_LACKING_DIR}/copies.stamp)
add_dependencies(vt_lacking_copies VTProeVEXO_lacking)

# valgrind memcheck of whole sessions (native vthost with the add-in and the stand-in client
# library; the sanitizer build checks the same sessions with its own instruments).  Any error, or
# any leak other than those listed in valgrind.supp, fails the test.
if(NOT WIN32 AND NOT VT_SANITIZE)
  find_program(VT_VALGRIND valgrind)
endif()

add_dependencies(test_reliability VTProeVEXO_lacking vt_lacking_copies vt_vexo VTProeVEXO vthost)
target_compile_definitions(test_reliability PRIVATE
  VT_LACKING_DIR="${VT_LACKING_DIR}"
  VT_VTHOST_NAME="$<TARGET_FILE_NAME:vthost>"
  VT_VTHOST_PATH="$<TARGET_FILE:vthost>"
  VT_ADDIN_NAME="$<TARGET_FILE_NAME:vt_vexo>")
if(VT_VALGRIND)
  target_compile_definitions(test_reliability PRIVATE
    VT_VALGRIND="${VT_VALGRIND}"
    VT_VALGRIND_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/valgrind.supp")
endif()

if(VT_VALGRIND)
  foreach(script examples/demo.vth tests/host/scripts/session.vth tests/host/scripts/models.vth)
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME valgrind.${name}
             COMMAND ${VT_VALGRIND} --quiet --error-exitcode=99 --keep-debuginfo=yes --num-callers=50 --leak-check=full
                     --show-leak-kinds=definite,indirect,possible
                     --errors-for-leak-kinds=definite,indirect,possible
                     --suppressions=${CMAKE_CURRENT_LIST_DIR}/valgrind.supp
                     $<TARGET_FILE:vthost> ${CMAKE_SOURCE_DIR}/${script})
    set_tests_properties(valgrind.${name} PROPERTIES LABELS valgrind TIMEOUT 600)
  endforeach()
endif()
