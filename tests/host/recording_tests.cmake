# Session recordings: a vthost session recorded through the add-in (VT_VEXO_RECORD) replays to
# the same client-library lines; a Japanese one with names a script holds only escaped; an
# unwritable recording file; the demo's recording checked in as an example.
#
#   vthost_recording(NAME MODE SCRIPT [EXAMPLE file] [ARGS a...] [RECORDED_MATCH regex...])
function(vthost_recording name mode script)
  cmake_parse_arguments(ARG "OWN_APPDIR" "EXAMPLE" "ARGS;RECORDED_MATCH" ${ARGN})
  set(args ${ARG_ARGS})
  if(NOT ARG_OWN_APPDIR)
    list(PREPEND args --appdir ${VTHOST_TEST_APP})
  endif()
  string(REPLACE ";" "^^" args "${args}")
  string(REPLACE ";" "^^" recorded_match "${ARG_RECORDED_MATCH}")
  add_test(NAME vthost.recording.${name}
           COMMAND ${CMAKE_COMMAND}
                   -DVTHOST=$<TARGET_FILE:vthost> "-DEMULATOR=${VTHOST_EMULATOR}" "-DARGS=${args}"
                   -DSCRIPT=${script} -DMODE=${mode} -DWORK=${VTHOST_TEST_BINARY_DIR}/recordings/${name}
                   "-DEXAMPLE=${ARG_EXAMPLE}" "-DRECORDED_MATCH=${recorded_match}"
                   -P ${VTHOST_TEST_DIR}/run_recording.cmake)
  set_tests_properties(vthost.recording.${name} PROPERTIES LABELS vthost)
endfunction()

vthost_recording(session roundtrip ${S}/session.vth)
vthost_recording(models roundtrip ${S}/models.vth
  RECORDED_MATCH "\ncopy BOLT.PRT NUT.PRT\nrename NUT.PRT WASHER.PRT\nregenerate\nclose-window\n")
vthost_recording(japanese roundtrip ${S}/recording_japanese.vth ARGS --lang japanese
  RECORDED_MATCH "language 1 \\(japanese\\)" "\nopen ギア.PRT\n" "\nopen 歯車\\\\x20ポンプ.ASM\n"
                 "\nopen \\\\x23付属品\\\\x5CA.PRT\n" "\nrename ギア2.PRT 𠀋軸.PRT\n")
vthost_recording(unwritable unwritable ${S}/session.vth)
vthost_recording(demo example ${CMAKE_SOURCE_DIR}/examples/demo.vth OWN_APPDIR
  EXAMPLE ${CMAKE_SOURCE_DIR}/examples/demo-recording.vth)
