# vthost soak in every build that runs its test programs: a fixed seed (a failure here is the same
# failure on every run), and the soak's own checks shown to fail where they must.  scripts/test-all
# adds a short soak with a new seed each time.
if(NOT VT_REGISTER_TEST_PROGRAMS)
  return()
endif()

add_test(NAME soak.fixed_seed_10000_events COMMAND vthost soak --seed 4242 --events 10000 --check-every 100)
set_tests_properties(soak.fixed_seed_10000_events PROPERTIES
  PASS_REGULAR_EXPRESSION "vthost soak: passed: 10000 events in [0-9]+ runs"
  FAIL_REGULAR_EXPRESSION "FAILED"
  TIMEOUT 600 ${VT_WINE_FIXTURE})

# A client library that prints nothing: the very first predicted call is missing, and the
# failure names the seed, the event and the way to run it again.
add_test(NAME soak.a_missing_call_stops_it_with_its_seed COMMAND vthost soak --seed 77 --events 300)
set_tests_properties(soak.a_missing_call_stops_it_with_its_seed PROPERTIES
  ENVIRONMENT "VTPDM_SILENT=1"
  PASS_REGULAR_EXPRESSION "seed 77: FAILED at event 0 of 300 \\(run 1, language [0-9]+ [^)]*\\)[\r\n]+  start-up did not make a client-library call the host model predicts:[\r\n]+  predicted: VTProeVEXO: BeforeInit\\(\\) -> 0[\r\n]+  again: vthost soak --seed 77 --events 300 --languages all"
  TIMEOUT 120 ${VT_WINE_FIXTURE})

# The product module exports no figures: the soak refuses it and says which module it needs.
add_test(NAME soak.refuses_a_module_without_figures COMMAND vthost soak --seed 1 --events 100 --addin $<TARGET_FILE:vt_vexo>)
set_tests_properties(soak.refuses_a_module_without_figures PROPERTIES
  PASS_REGULAR_EXPRESSION "does not export vt_vexo_soak_figures: the soak reads the add-in's memory through it; give the soak module \\(vt_vexo_soak\\)"
  TIMEOUT 120 ${VT_WINE_FIXTURE})

# The generated session of a seed, written out, is plain vthost's script: each run replays.
add_test(NAME soak.the_written_session_is_a_vthost_script
         COMMAND ${CMAKE_COMMAND} -DVTHOST=$<TARGET_FILE:vthost> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/soak-written -P ${CMAKE_CURRENT_SOURCE_DIR}/soak/written_session.cmake)
set_tests_properties(soak.the_written_session_is_a_vthost_script PROPERTIES
  TIMEOUT 300 ${VT_WINE_FIXTURE})

# What the soak found: a key holding a line end (Hebrew keeps U+050A's low byte 0x0A) was read by
# vthost --compare as two lines.  The session's recording replays to the same 16 calls.
add_test(NAME soak.found.recording_with_line_ends_in_keys_replays
         COMMAND ${CMAKE_COMMAND} -DVTHOST=$<TARGET_FILE:vthost> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                 -DARGS=--lang^^hebrew -DMIN=16
                 -DSCRIPT=${CMAKE_SOURCE_DIR}/tests/host/scripts/recording_hebrew_line_ends.vth
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/soak-line-ends -P ${CMAKE_CURRENT_SOURCE_DIR}/soak/recording_roundtrip.cmake)
set_tests_properties(soak.found.recording_with_line_ends_in_keys_replays PROPERTIES
  TIMEOUT 120 ${VT_WINE_FIXTURE})
