# Checks that need the test programs: the debug channel under Wine, the module suite.
# Under Wine, the command-code trace is visible on Wine's debug channel for OutputDebugStringA.
if(CMAKE_CROSSCOMPILING AND VT_REGISTER_TEST_PROGRAMS)
  add_test(NAME wine.command_code_reaches_OutputDebugStringA
           COMMAND sh -c "WINEDEBUG=+debugstr \"$1\" \"$2\" --vt-child new_entity_command 2>&1 | grep -F 'OutputDebugStringA \"VMM_EE_NEW\"'"
                   check ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:test_bridge>)
endif()

# The module suite: tests of the built add-in module, loaded as the host loads it.
vt_add_suite(module)
target_compile_definitions(test_module PRIVATE VT_MODULE_PATH="$<TARGET_FILE:vt_vexo>")
add_dependencies(test_module vt_vexo VTProeVEXO)

# The installation checker's tests (tests/check) and the distribution suite, which reads the
# icons with the checker's GIF reader, need the checker's library; the simulator's tests
# (tests/host) link only the simulator's, through the test support.
target_link_libraries(test_check PRIVATE vthost_check)
target_link_libraries(test_dist PRIVATE vthost_check)

# The installation step's logic, and the program itself.
target_link_libraries(test_setup PRIVATE vt_setup_lib)
target_compile_definitions(test_setup PRIVATE VT_PROTK_PATH="$<TARGET_FILE:vt_protk>")
add_dependencies(test_setup vt_protk)
