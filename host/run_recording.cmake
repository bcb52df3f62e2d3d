# Records a vthost session through the add-in and replays it (cmake -P).  Variables:
#   VTHOST, EMULATOR   the program and what runs it (empty natively, Wine for a Windows build)
#   SCRIPT             the session to record;  ARGS  vthost's further arguments (^^-separated)
#   WORK               a directory for the recording
#   MODE               roundtrip: the replay prints the same client-library lines as the session,
#                        `--compare` agrees, and a recording with one more command disagrees;
#                      unwritable: a recording file that cannot be opened adds one message-log
#                        line and changes nothing else;
#                      example: the checked-in recording EXAMPLE replays with `--compare`, and a
#                        fresh recording of SCRIPT equals it but for its date
#   RECORDED_MATCH     regular expressions (^^) the recording must match
cmake_minimum_required(VERSION 3.25)

set(ENV{VTPDM_ANSWERS} "")
set(ENV{VT_VEXO_RECORD} "")
string(REPLACE "^^" ";" arguments "${ARGS}")
string(REPLACE "^^" ";" recorded_match "${RECORDED_MATCH}")
get_filename_component(name "${SCRIPT}" NAME_WE)
set(recording "${WORK}/${name}.recorded.vth")
file(MAKE_DIRECTORY "${WORK}")
file(REMOVE "${recording}")

# Runs vthost; `out` and `status` in the caller's scope, line ends as LF.
function(run_vthost out_var status_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r" "" out "${out}")
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${status_var} "${status}" PARENT_SCOPE)
  if(NOT "${err}" STREQUAL "" AND err MATCHES "vthost:")
    message(STATUS "standard error: ${err}")
  endif()
endfunction()

function(expect_status what status wanted)
  if(NOT "${status}" STREQUAL "${wanted}")
    message(FATAL_ERROR "${what}: exit status ${status}, expected ${wanted}")
  endif()
endfunction()

if(MODE STREQUAL "unwritable")
  run_vthost(plain status ${EMULATOR} "${VTHOST}" --quiet ${arguments} "${SCRIPT}")
  expect_status("the session without recording" "${status}" 0)
  set(ENV{VT_VEXO_RECORD} "${WORK}/no-such-directory/recording.vth")
  run_vthost(refused status ${EMULATOR} "${VTHOST}" --quiet ${arguments} "${SCRIPT}")
  set(ENV{VT_VEXO_RECORD} "")
  expect_status("the session with an unwritable recording" "${status}" 0)
  set(line_pattern "vt_vexo: cannot open the recording file [^\n]*recording.vth. recording is off\n")
  string(REGEX MATCH "${line_pattern}" line "${refused}")
  string(REPLACE "${line}" "" refused "${refused}")
  if(line STREQUAL "" OR refused MATCHES "${line_pattern}")
    message(FATAL_ERROR "expected one message-log line about the recording:\n${line}${refused}")
  endif()
  if(NOT refused STREQUAL plain)
    message(FATAL_ERROR "the unwritable recording changed the session:\n--- without\n${plain}--- with\n${refused}")
  endif()
  return()
endif()

set(ENV{VT_VEXO_RECORD} "${recording}")
run_vthost(recorded_out status ${EMULATOR} "${VTHOST}" --quiet ${arguments} "${SCRIPT}")
set(ENV{VT_VEXO_RECORD} "")
expect_status("the recorded session" "${status}" 0)
if(NOT EXISTS "${recording}")
  message(FATAL_ERROR "no recording was written to ${recording}")
endif()
file(READ "${recording}" recorded)
foreach(pattern IN LISTS recorded_match)
  if(NOT recorded MATCHES "${pattern}")
    message(FATAL_ERROR "the recording does not match '${pattern}':\n${recorded}")
  endif()
endforeach()

if(MODE STREQUAL "example")
  file(READ "${EXAMPLE}" example)
  string(REGEX REPLACE "^# vt-vexo session recording, [^\n]*\n" "" example_rest "${example}")
  string(REGEX REPLACE "^# vt-vexo session recording, [^\n]*\n" "" recorded_rest "${recorded}")
  if(NOT example_rest STREQUAL recorded_rest)
    message(FATAL_ERROR "${EXAMPLE} is not the recording of ${SCRIPT} any more; a fresh one:\n${recorded}")
  endif()
  run_vthost(compared status ${EMULATOR} "${VTHOST}" ${arguments} --compare "${EXAMPLE}")
  expect_status("--compare ${EXAMPLE}" "${status}" 0)
  return()
endif()

# The replay prints the client library's lines of the session, byte for byte.
run_vthost(replayed_out status ${EMULATOR} "${VTHOST}" --quiet ${arguments} "${recording}")
expect_status("the replay" "${status}" 0)
if(NOT replayed_out STREQUAL recorded_out)
  message(FATAL_ERROR "the replay's client-library lines differ:\n--- session\n${recorded_out}--- replay\n${replayed_out}")
endif()

run_vthost(compared status ${EMULATOR} "${VTHOST}" ${arguments} --compare "${recording}")
expect_status("--compare" "${status}" 0)
if(NOT compared MATCHES "vthost: the replay made the same [0-9]+ client-library calls as the recording\n$")
  message(FATAL_ERROR "--compare said:\n${compared}")
endif()

# One command more than the session had: the replay makes a call the recording lacks.
string(REGEX REPLACE "\nquit\n" "\npick G3\nquit\n" altered "${recorded}")
file(WRITE "${WORK}/${name}.altered.vth" "${altered}")
run_vthost(compared status ${EMULATOR} "${VTHOST}" ${arguments} --compare "${WORK}/${name}.altered.vth")
expect_status("--compare of an altered recording" "${status}" 1)
if(NOT compared MATCHES "vthost: the replay differs at call [0-9]+ \\(recording line [0-9]+\\):\n  recorded: Stop\\(\\) -> 0\n  replayed: About\\(\\) -> 0\n")
  message(FATAL_ERROR "--compare of an altered recording said:\n${compared}")
endif()
