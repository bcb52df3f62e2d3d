# Checks that need the test programs: the debug channel under Wine, the module suite.
# Under Wine, the command-code trace is visible on Wine's debug channel for OutputDebugStringA.
if(CMAKE_CROSSCOMPILING)
  add_test(NAME wine.command_code_reaches_OutputDebugStringA
           COMMAND sh -c "WINEDEBUG=+debugstr \"$1\" \"$2\" --vt-child new_entity_command 2>&1 | grep -F 'OutputDebugStringA \"VMM_EE_NEW\"'"
                   check ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:test_bridge>)
endif()

# The module suite: tests of the built add-in module, loaded as the host loads it.
if(TARGET vt_vexo)
  vt_add_suite(module)
  target_compile_definitions(test_module PRIVATE VT_MODULE_PATH="$<TARGET_FILE:vt_vexo>")
  add_dependencies(test_module vt_vexo VTProeVEXO)
endif()

# The host simulator's unit tests (tests/host) need its library.
if(TARGET test_host)
  target_link_libraries(test_host PRIVATE vthost_lib)
endif()
