# End-to-end sessions: vthost runs a script against the add-in module and the stand-in client
# library; each test compares the transcript with tests/host/expected/NAME.txt, or matches the
# lines that matter, and checks the exit status and standard error.
#
#   vthost_session(NAME [EXPECTED] [STATUS n] [ERR regex] [ARGS a...] [INPUT file] [ENV k=v...]
#                  [MATCH regex...] [TRACE_MATCH regex...])
# ARGS are vthost's arguments; the test tree's application directory is used unless ARGS give
# --appdir.  EXPECTED compares standard output with expected/NAME.txt; a differing output is
# kept as transcripts/NAME.actual in the build directory.
set(VTHOST_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VTHOST_TEST_BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/host)
file(MAKE_DIRECTORY ${VTHOST_TEST_BINARY_DIR})
set(VTHOST_TEST_APP ${VTHOST_TEST_DIR}/data/app)
set(VTHOST_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR})  # empty natively

function(vthost_session name)
  cmake_parse_arguments(ARG "EXPECTED;OWN_APPDIR" "STATUS;ERR;INPUT;TRACE" "ARGS;ENV;MATCH;TRACE_MATCH" ${ARGN})
  set(args ${ARG_ARGS})
  if(NOT ARG_OWN_APPDIR)
    list(PREPEND args --appdir ${VTHOST_TEST_APP})
  endif()
  string(REPLACE ";" "^^" args "${args}")
  string(REPLACE ";" "^^" env "${ARG_ENV}")
  string(REPLACE ";" "^^" match "${ARG_MATCH}")
  string(REPLACE ";" "^^" trace_match "${ARG_TRACE_MATCH}")
  set(expected "")
  if(ARG_EXPECTED)
    set(expected ${VTHOST_TEST_DIR}/expected/${name}.txt)
  endif()
  if(NOT DEFINED ARG_STATUS)
    set(ARG_STATUS 0)
  endif()
  add_test(NAME vthost.${name}
           COMMAND ${CMAKE_COMMAND}
                   -DVTHOST=$<TARGET_FILE:vthost> "-DEMULATOR=${VTHOST_EMULATOR}"
                   "-DARGS=${args}" "-DENV=${env}" "-DMATCH=${match}" "-DERR=${ARG_ERR}"
                   -DSTATUS=${ARG_STATUS} "-DEXPECTED=${expected}" "-DINPUT=${ARG_INPUT}"
                   "-DACTUAL=${VTHOST_TEST_BINARY_DIR}/transcripts/${name}.actual"
                   "-DTRACE=${ARG_TRACE}" "-DTRACE_MATCH=${trace_match}"
                   -DBIN_DIR=${CMAKE_BINARY_DIR}/bin -DAPP_DIR=${CMAKE_BINARY_DIR}/app
                   -DSRC_DIR=${CMAKE_SOURCE_DIR} -DADDIN_FILE=$<TARGET_FILE_NAME:vt_vexo>
                   -P ${VTHOST_TEST_DIR}/run_transcript.cmake)
  set_tests_properties(vthost.${name} PROPERTIES LABELS vthost)
endfunction()

set(S ${VTHOST_TEST_DIR}/scripts)

# ---- whole sessions ------------------------------------------------------------------------
vthost_session(session EXPECTED ARGS ${S}/session.vth)
vthost_session(models EXPECTED ARGS ${S}/models.vth)
vthost_session(language_german EXPECTED ARGS --lang german ${S}/language.vth)
vthost_session(language_by_number EXPECTED ARGS --lang 3 ${S}/language.vth)
# A language without a directory of its own falls back to usascii.
vthost_session(language_without_directory EXPECTED ARGS --lang french ${S}/language.vth)
vthost_session(stdin_quiet EXPECTED INPUT ${S}/rehearsal.vth ARGS --quiet -)
vthost_session(trace ARGS --trace ${VTHOST_TEST_BINARY_DIR}/trace.jsonl ${S}/rehearsal.vth
  TRACE ${VTHOST_TEST_BINARY_DIR}/trace.jsonl
  TRACE_MATCH
    "\"call\":\"prodev_pass_version_info_v\",\"app_handle\":7,\"frame_version\":262004280,\"result\":1"
    "\"call\":\"ProMenubarMenuAdd_v\",\"app_handle\":7,\"menu\":\"UserMenuO\",\"label_key\":\"VantorO\",\"neighbour\":\"Applications\",\"add_after\":1,\"message_file\":\"menu_vt_vexo.txt\""
    "\"call\":\"ProCmdActionAdd_v\",\"app_handle\":7,\"action\":\"G14\",[^\n]*\"priority\":5,[^\n]*\"non_active_ok\":0,\"accessory_ok\":0,\"result\":0"
    "\"call\":\"ProCmdIconSet_v\",\"app_handle\":7,\"command_id\":[0-9]+,\"icon_file\":\"Docdata_g14.gif\",[^\n]*\"result\":0"
    "\"call\":\"ProCmdBracketFuncAdd_v\",[^\n]*\"function_name\":\"VTBracketFunc\""
    "\"call\":\"ProMdlDataGet_v\",[^\n]*\"result\":0,\"model\":\"PUMP.PRT\"")

# The demo session itself: the events a newcomer is told to look at.
vthost_session(demo OWN_APPDIR ARGS ${CMAKE_SOURCE_DIR}/examples/demo.vth
  MATCH "AfterOpen\\(\"PUMP.PRT\"\\)" "AfterOpen\\(\"ENGINE.ASM\"\\)" "BeforeSave\\(\"[A-Z]+\\.[A-Z]+\"\\) -> 1"
        "BeforeSave\\(\"[A-Z]+\\.[A-Z]+\"\\) -> 0" "save refused" "CmdExec\\(\"VMM_USER_LOGIN\"\\)"
        "SwitchDocument\\(\"CloseWindow\"\\)[^\n]*\n.*SwitchDocument\\(\"CloseWindow\"\\)"
        "AfterClose\\(\"" "Stop\\(\\)" "add-in unloaded")

# Its client-library lines, word for word: every build (the i686 product under Wine included)
# must make the calls the native build makes, with the same arguments and answers.
vthost_session(demo_library_lines EXPECTED OWN_APPDIR ARGS --quiet ${CMAKE_SOURCE_DIR}/examples/demo.vth)

# ---- failure rehearsal ---------------------------------------------------------------------
vthost_session(missing_icons_and_brackets EXPECTED
  ARGS --missing ProCmdIconSet,ProCmdCmdIdFind_v ${S}/rehearsal.vth)
vthost_session(missing_version_functions EXPECTED
  ARGS --missing prodev_pass_version_info,ProEngineerDisplayversionGet ${S}/rehearsal.vth)
vthost_session(missing_model_functions EXPECTED
  ARGS --missing ProMdlCurrentGet,ProMdlDataGet ${S}/rehearsal.vth)
# Without its top-level menu the add-in has nowhere to put its buttons; start-up still succeeds.
vthost_session(refuse_menubar EXPECTED ARGS --refuse ProMenubarMenuAdd ${S}/language.vth)
vthost_session(refuse_model_data EXPECTED ARGS --refuse ProMdlDataGet ${S}/rehearsal.vth)
vthost_session(refuse_version STATUS 3 EXPECTED ARGS --refuse prodev_pass_version_info ${S}/rehearsal.vth
  ERR "vthost: start-up refused: -1 \"\" \"\"")
vthost_session(version_too_old STATUS 3 EXPECTED ARGS --version 25 ${S}/rehearsal.vth
  ERR "vthost: start-up refused: -98 \"Wildfire 2\\.0\\|C000\" \"0\"")
vthost_session(build_too_old STATUS 3 ARGS --build 2003490 ${S}/rehearsal.vth
  ERR "vthost: start-up refused: -96 \"Wildfire 2\\.0\\|C010\" \"2003500\"")
vthost_session(build_oldest_accepted ARGS --build 2003500 ${S}/rehearsal.vth MATCH "start-up status 0")

# ---- bad input -----------------------------------------------------------------------------
foreach(case
    "bad_unknown|3: unknown command 'frobnicate'"
    "bad_model|1: 'PUMP' is not NAME\\.TYPE"
    "bad_count|2: usage: save"
    "bad_activate|2: no model GEAR\\.PRT in session"
    "bad_pick|1: no button G99 in the menus"
    "bad_after_quit|2: the session has ended"
    "bad_setenv|1: '9LIVES' is not a variable name"
    "bad_copy|2: a model PUMP\\.PRT is already in session"
    "bad_long_name|1: model name '[A-Z]+' is longer than 79 characters")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 script)
  list(GET case 1 message)
  # The message names script and line; the session ends properly (Stop, unload) all the same.
  vthost_session(${script} STATUS 2 ARGS ${S}/${script}.vth
    ERR "^vthost: [^\n]*${script}\\.vth:${message}" MATCH "VTProeVEXO: Stop\\(\\)" "add-in unloaded")
endforeach()
# A malformed VTPDM_ANSWERS entry: the stand-in client library names the first one once, on
# standard error, however many calls read the setting, and still applies the good entries.
vthost_session(answers_malformed ARGS ${S}/rehearsal.vth
  ENV "VTPDM_ANSWERS=BeforeSave=0,About=x,=3,DocumentData=7,Help"
  ERR "^VTProeVEXO: VTPDM_ANSWERS entry \"About=x\" is not NAME=NUMBER; ignored\r?\n$"
  MATCH "VTProeVEXO: DocumentData\\(\\) -> 7" "VTProeVEXO: BeforeSave\\(\"PUMP\\.PRT\"\\) -> 0"
        "VTProeVEXO: Stop\\(\\) -> 0")
vthost_session(bad_unknown_transcript STATUS 2 EXPECTED ARGS ${S}/bad_unknown.vth ERR "unknown command")
vthost_session(bad_stdin STATUS 2 INPUT ${S}/bad_model.vth ARGS -
  ERR "^vthost: <stdin>:1: 'PUMP' is not NAME\\.TYPE")
vthost_session(missing_script STATUS 2 ARGS ${S}/no_such_script.vth
  ERR "^vthost: [^\n]*no_such_script\\.vth: cannot open the script")
vthost_session(unknown_option STATUS 2 ARGS --frobnicate ERR "^vthost: unknown option --frobnicate")
vthost_session(option_without_value STATUS 2 ARGS --lang ERR "^vthost: --lang needs a value")
vthost_session(unknown_language STATUS 2 ARGS --lang klingon ERR "^vthost: --lang: 'klingon' is neither")
vthost_session(unknown_host_function STATUS 2 ARGS --refuse ProFrobnicate
  ERR "^vthost: --refuse: 'ProFrobnicate' is not a host function of vthost")
vthost_session(two_scripts STATUS 2 ARGS a.vth b.vth ERR "^vthost: more than one script")
vthost_session(trace_not_writable STATUS 2 ARGS --trace ${S}/no/such/dir/trace.jsonl ${S}/rehearsal.vth
  ERR "^vthost: cannot write the trace")
vthost_session(addin_not_found STATUS 1 ARGS --addin ${CMAKE_BINARY_DIR}/bin/no_such_addin ${S}/rehearsal.vth
  ERR "^vthost: cannot load add-in [^\n]*no_such_addin: no such file")
vthost_session(addin_without_entry STATUS 1 ARGS --addin $<TARGET_FILE:VTProeVEXO> ${S}/rehearsal.vth
  ERR "^vthost: cannot load add-in [^\n]*: it does not export user_initialize_plus")
vthost_session(addin_not_loadable STATUS 1 ARGS --addin ${S}/rehearsal.vth ${S}/rehearsal.vth
  ERR "^vthost: cannot load add-in [^\n]*rehearsal\\.vth: .")
