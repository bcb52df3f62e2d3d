# Checks on the built binaries themselves (label "static": they need no emulator).
include(${CMAKE_SOURCE_DIR}/cmake/client_functions.cmake)
vt_client_functions(VT_CLIENT_FUNCTIONS)

# A Windows DLL is read with the objdump of the toolchain that built it; on the 32-bit product
# the exports must also leave their arguments to the caller (cdecl: a plain `ret`).
set(VT_CHECK_TOOL ${CMAKE_SOURCE_DIR}/scripts/check-exports)
set(VT_CHECK_OBJDUMP)
set(VT_CLEANS_STANDIN)
set(VT_CLEANS_ADDIN)
set(VT_ADDIN_DEPENDS)
if(WIN32)
  set(VT_CHECK_OBJDUMP --objdump ${CMAKE_OBJDUMP})
  set(VT_ADDIN_DEPENDS --depends KERNEL32.dll msvcrt.dll $<TARGET_FILE_NAME:VTProeVEXO>)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VT_CLEANS_STANDIN --caller-cleans ${VT_CLIENT_FUNCTIONS})
    set(VT_CLEANS_ADDIN --caller-cleans user_initialize_plus user_terminate_plus i_am_262003500)
  endif()
endif()

add_test(NAME binary.standin_exports_the_32_client_functions
         COMMAND ${VT_CHECK_TOOL} $<TARGET_FILE:VTProeVEXO> ${VT_CHECK_OBJDUMP}
                 --exports ${VT_CLIENT_FUNCTIONS} ${VT_CLEANS_STANDIN})
set_tests_properties(binary.standin_exports_the_32_client_functions PROPERTIES LABELS static)

add_test(NAME binary.addin_exports_three_and_imports_32
         COMMAND ${VT_CHECK_TOOL} $<TARGET_FILE:vt_vexo> ${VT_CHECK_OBJDUMP}
                 --exports user_initialize_plus user_terminate_plus i_am_262003500
                 --imports-from $<TARGET_FILE_NAME:VTProeVEXO> ${VT_CLIENT_FUNCTIONS}
                 ${VT_ADDIN_DEPENDS} ${VT_CLEANS_ADDIN})
set_tests_properties(binary.addin_exports_three_and_imports_32 PROPERTIES LABELS static)

# The calling-convention check itself: a stdcall export (named without its "@8") is refused.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_library(vt_callee_cleans SHARED ${CMAKE_CURRENT_SOURCE_DIR}/data/callee_cleans.c)
  target_link_options(vt_callee_cleans PRIVATE -Wl,--kill-at)
  add_test(NAME binary.check_refuses_callee_cleanup
           COMMAND ${VT_CHECK_TOOL} $<TARGET_FILE:vt_callee_cleans> ${VT_CHECK_OBJDUMP}
                   --exports probe --caller-cleans probe)
  set_tests_properties(binary.check_refuses_callee_cleanup PROPERTIES
    LABELS static PASS_REGULAR_EXPRESSION "probe pops its own arguments")
endif()

# Every Windows module and program carries the project's version in its version resource, in the
# UTF-16 strings that Windows shows as the file's properties.
if(WIN32)
  find_program(VT_STRINGS NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-strings strings)
endif()
if(WIN32 AND VT_STRINGS)
  foreach(target vt_vexo VTProeVEXO vthost)
    add_test(NAME binary.${target}_carries_version_${PROJECT_VERSION}
             COMMAND sh -c "\"$1\" -el \"$2\" | tr '\\n' ' ' | grep -q \"ProductVersion $3 \"" check
                     ${VT_STRINGS} $<TARGET_FILE:${target}> ${PROJECT_VERSION})
    set_tests_properties(binary.${target}_carries_version_${PROJECT_VERSION} PROPERTIES LABELS static)
  endforeach()
endif()

# Signing: scripts/sign with a throw-away certificate on copies of the module, vthost.exe and the
# MSI package (where the build made one); each verifies, a copy changed after signing does not,
# the password stays off osslsigncode's command line, and vthost check tells signed from
# unsigned.  The check runs with this build's vthost under the emulator where that runs, else
# with the native vthost where that build exists (it reads the Windows module as bytes).
if(WIN32)
  set(VT_NATIVE_VTHOST ${CMAKE_SOURCE_DIR}/build/native/bin/vthost CACHE FILEPATH
      "A native vthost that the signing test runs the check with (if built)")
  set(vt_own_vthost "")
  if(VT_REGISTER_TEST_PROGRAMS)
    set(vt_own_vthost "${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vthost>")
  endif()
  add_test(NAME sign.signed_files_verify_and_changed_ones_fail
           COMMAND sh -c "check=\"$1\"; [ -z \"$check\" ] && [ -x \"$2\" ] && check=\"$2\"; shift 2; exec bash \"$@\" --check-vthost \"$check\""
                   check "${vt_own_vthost}" ${VT_NATIVE_VTHOST}
                   ${CMAKE_CURRENT_SOURCE_DIR}/dist/signing.sh --source ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR}
                   --module $<TARGET_FILE:vt_vexo> --vthost $<TARGET_FILE:vthost> --standin $<TARGET_FILE:VTProeVEXO>
                   --msi ${CMAKE_BINARY_DIR}/vt-vexo-${PROJECT_VERSION}.msi)
  set_tests_properties(sign.signed_files_verify_and_changed_ones_fail PROPERTIES LABELS static)
endif()
