# A session recorded through the add-in (VT_VEXO_RECORD) replays with vthost --compare to the
# same client-library calls, at least MIN of them.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
string(REPLACE "^^" ";" ARGS "${ARGS}")
set(ENV{VT_VEXO_RECORD} ${WORK}/session.vtr)
execute_process(COMMAND ${EMULATOR} ${VTHOST} --quiet ${ARGS} ${SCRIPT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
unset(ENV{VT_VEXO_RECORD})
if(rc)
  message(FATAL_ERROR "the session failed (status ${rc}):\n${out}\n${err}")
endif()
execute_process(COMMAND ${EMULATOR} ${VTHOST} --compare ${WORK}/session.vtr
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT out MATCHES "the replay made the same ([0-9]+) client-library calls")
  message(FATAL_ERROR "the recording did not replay to the same calls (status ${rc}):\n${out}\n${err}")
endif()
if(CMAKE_MATCH_1 LESS MIN)
  message(FATAL_ERROR "the replay compared only ${CMAKE_MATCH_1} calls:\n${out}")
endif()
