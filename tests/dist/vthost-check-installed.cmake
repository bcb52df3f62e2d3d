# `vthost check` on installed trees: the tree `cmake --install` makes (with the stand-in client
# library of the demo component) checks clean, and each fault an administrator meets, planted in
# a copy of it, is reported with its line.  Also `vthost --registry` runs the demo session from
# the installed tree.  Natively and, on the Windows build, with vthost.exe under the emulator.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DVTHOST=<vthost> -DEMULATOR=<emulator or empty>
#         -DMODULE=<module file name> -DSTANDIN=<stand-in file name> -DLACKING=<stand-in without
#         AfterSave> -DWINDOWS=<1 or empty> -DMACHINE=<i386, x86-64 or native> [-DFOREIGN=<a module for another machine>]
#         [-DI686_BUILD=<the i686 build, whose ZIP is checked if made>] -P vthost-check-installed.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/failures.cmake)

set(work ${BUILD_DIR}/dist-check/check-test)
set(prefix ${work}/product)
file(REMOVE_RECURSE ${work})
foreach(component product demo)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component ${component}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "cmake --install --component ${component} failed: ${err}")
  endif()
endforeach()
# The loader must find the client library where the check says it does, not through the
# environment of the test run.
set(ENV{LD_LIBRARY_PATH} "")

# The native and the i686 builds' modules are what the check expects; the x86-64 Windows build's
# module is not the 32-bit one the host loads, so there every check also reports that one FAULT.
set(module_fault "")
if(MACHINE STREQUAL "x86-64")
  set(module_fault "FAULT +module +[^\n]*${MODULE}: is not i386: a x86-64 Windows module")
endif()

# Runs vthost with ARGN in WORKING_DIRECTORY `dir`; output in OUT, status in RC.
function(vthost dir)
  execute_process(COMMAND ${EMULATOR} ${VTHOST} ${ARGN} WORKING_DIRECTORY ${dir}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
  string(REPLACE "\r" "" output "${output}")
  set(OUT "${output}${error}" PARENT_SCOPE)
  set(RC "${status}" PARENT_SCOPE)
endfunction()

# A copy of the installed tree whose registry file names the copy.
function(plant name)
  set(copy ${work}/${name})
  file(COPY ${prefix}/ DESTINATION ${copy})
  file(READ ${prefix}/protk.dat registry)
  string(REPLACE "${prefix}" "${copy}" registry "${registry}")
  string(REPLACE "/" "\\" windows_prefix "${prefix}")
  string(REPLACE "/" "\\" windows_copy "${copy}")
  string(REPLACE "${windows_prefix}" "${windows_copy}" registry "${registry}")
  file(WRITE ${copy}/protk.dat "${registry}")
  set(COPY ${copy} PARENT_SCOPE)
endfunction()

# Checks `tree` with the options in ARGN and expects each regex in the list EXPECT among the
# output lines, none of the list REJECT, status 1 when any FAULT is expected, and no other FAULT
# than those expected.
function(expect_check case tree)
  cmake_parse_arguments(ARG "" "" "OPTIONS;EXPECT;ALLOW;REJECT" ${ARGN})
  vthost(${tree} check ${ARG_OPTIONS} ${tree})
  set(expected ${ARG_EXPECT})
  if(module_fault)
    list(APPEND expected "${module_fault}")
  endif()
  set(want_status 0)
  string(REPLACE ";" "," lines "${OUT}")  # the findings' semicolons would split the list
  string(REPLACE "\n" ";" lines "${lines}")
  foreach(pattern ${expected})
    if(pattern MATCHES "^FAULT")
      set(want_status 1)
    endif()
    string(REPLACE ";" "," out "${OUT}")
    if(NOT out MATCHES "(^|\n)${pattern}")
      fail("${case}: no line matches '${pattern}':\n${OUT}")
    endif()
  endforeach()
  foreach(pattern ${ARG_REJECT})
    string(REPLACE ";" "," out "${OUT}")
    if(out MATCHES "(^|\n)${pattern}")
      fail("${case}: a line matches '${pattern}':\n${OUT}")
    endif()
  endforeach()
  foreach(line ${lines})
    if(line MATCHES "^FAULT")
      set(known FALSE)
      foreach(pattern ${expected} ${ARG_ALLOW})
        if(pattern AND line MATCHES "^${pattern}")
          set(known TRUE)
        endif()
      endforeach()
      if(NOT known)
        fail("${case}: unexpected line: ${line}")
      endif()
    endif()
  endforeach()
  if(NOT RC EQUAL want_status)
    fail("${case}: exit status ${RC}, expected ${want_status}:\n${OUT}")
  endif()
  if(NOT OUT MATCHES "vthost check: [0-9]+ checks, [0-9]+ ok, [0-9]+ warnings?, [0-9]+ FAULTs?\n$")
    fail("${case}: no summary line at the end:\n${OUT}")
  endif()
endfunction()

# ---- the installed tree checks clean, in every language it has ----------------------------------
# A Windows build's module and stand-in carry the project's version in their version resource;
# the module is not signed.  ELF files carry neither, and the check says nothing of them.
string(REPLACE "." "\\." version "${VERSION}")
set(version_lines "")
set(no_version_lines "")
if(WINDOWS)
  set(version_lines "ok +module +[^\n]*${MODULE}: version ${version}\\.0 \\(product vt-vexo ${version}, Vantor\\)"
                    "warning +module +[^\n]*${MODULE}: is not signed -- sign it with scripts/sign where the security policy asks for signed modules"
                    "ok +import +[^\n]*${STANDIN}: version ${version}\\.0 \\(product vt-vexo ${version}, Vantor\\)")
else()
  set(no_version_lines "[a-zA-Z]+ +(module|import) +[^\n]*: (version |carries no version|the client library's version|is not signed|signed |is damaged: the (version|signature))")
endif()
set(module_ok "ok +module +[^\n]*: ELF library for")
if(MACHINE STREQUAL "i386")
  set(module_ok "ok +module +[^\n]*${MODULE}: PE library for i386, exporting exactly the three entry points")
elseif(MACHINE STREQUAL "x86-64")
  set(module_ok "${module_fault}")
endif()
expect_check(clean ${prefix} OPTIONS --lang usascii --lang german --lang french --lang japanese
             EXPECT "${module_ok}" "ok +import +[^\n]*${STANDIN}: client library found, exporting all 32 functions"
                    "ok +icon +[^\n]*japanese[/\\]resource: all 24 icons"
                    "ok +start +[^\n]*dry start-up in language 3 \\(german\\): 35 menu items, every one labelled"
                    ${version_lines}
             REJECT ${no_version_lines})

# JSON lines: one object a line, the summary last.
vthost(${prefix} check --json --no-start ${prefix})
string(REGEX REPLACE "\n$" "" json "${OUT}")
string(REPLACE ";" "," json "${json}")
string(REPLACE "\n" ";" json_lines "${json}")
list(POP_BACK json_lines summary)
if(NOT summary MATCHES "^{\"summary\":{\"checks\":[0-9]+,\"ok\":[0-9]+,\"warning\":[0-9]+,\"fault\":[0-9]+}}$")
  fail("--json: the last line is not the summary: ${summary}")
endif()
foreach(line ${json_lines})
  if(NOT line MATCHES "^{\"level\":\"(ok|warning|FAULT)\",\"area\":\"[a-z]+\",\"path\":\".*\",\"message\":\".*\",\"fix\":\".*\"}$")
    fail("--json: not a finding: ${line}")
  endif()
endforeach()

# ---- planted faults ----------------------------------------------------------------------------
set(module_fault_kept "${module_fault}")
set(module_fault "")  # the module is not read when the registry names none
plant(registry_nowhere)
file(READ ${COPY}/protk.dat registry)
string(REGEX REPLACE "exec_file [^\r\n]*" "exec_file ${COPY}/nowhere/${MODULE}" registry "${registry}")
file(WRITE ${COPY}/protk.dat "${registry}")
expect_check(registry_nowhere ${COPY}
             EXPECT "FAULT +registry +[^\n]*protk.dat:3: exec_file [^\n]*nowhere[/\\]${MODULE} does not exist")

plant(text_nowhere)
file(READ ${COPY}/protk.dat registry)
string(REGEX REPLACE "text_dir [^\r\n]*" "text_dir ${COPY}/texts" registry "${registry}")
file(WRITE ${COPY}/protk.dat "${registry}")
set(module_fault "${module_fault_kept}")
expect_check(text_nowhere ${COPY} OPTIONS --no-start
             EXPECT "FAULT +registry +[^\n]*protk.dat:4: text_dir [^\n]*texts is not a folder")

# A folder path too long for the add-in's 260-character directory buffers.
plant(long_path)
file(READ ${COPY}/protk.dat registry)
string(REPEAT "deep_folder_name/" 14 deep)
string(REGEX REPLACE "text_dir [^\r\n]*" "text_dir ${COPY}/${deep}text" registry "${registry}")
file(WRITE ${COPY}/protk.dat "${registry}")
expect_check(long_path ${COPY} OPTIONS --no-start
             EXPECT "FAULT +registry +[^\n]*protk.dat:4: text_dir [^\n]* is not a folder"
                    "FAULT +registry +[^\n]*protk.dat:4: the add-in's resource folder path would be [0-9]+ characters")

plant(language_missing)
file(REMOVE_RECURSE ${COPY}/text/german)
expect_check(language_missing ${COPY} OPTIONS --lang german
             EXPECT "FAULT +folder +[^\n]*text[/\\]german: is missing: users running the host in german get the usascii menu")

plant(key_missing)
file(READ ${COPY}/text/german/menu_vt_vexo.txt messages)
string(REGEX REPLACE "g7a_label\n[^\n]*\n[^\n]*\n#\n" "" messages "${messages}")
file(WRITE ${COPY}/text/german/menu_vt_vexo.txt "${messages}")
expect_check(key_missing ${COPY} OPTIONS --lang german
             EXPECT "FAULT +text +[^\n]*german[/\\]menu_vt_vexo.txt: lacks key g7a_label"
                    "FAULT +start +[^\n]*in language 3 \\(german\\) the menu item G7a \\[g7a_label\\] shows unlabelled")

plant(message_layout)
file(READ ${COPY}/text/french/menu_vt_vexo.txt messages)
# The fourth line of the first message (line 4, as the file starts with a message) becomes x.
string(FIND "${messages}" "\n#\n" at)
math(EXPR at "${at} + 1")
string(SUBSTRING "${messages}" 0 ${at} head)
math(EXPR at "${at} + 1")
string(SUBSTRING "${messages}" ${at} -1 tail)
set(messages "${head}x${tail}")
file(WRITE ${COPY}/text/french/menu_vt_vexo.txt "${messages}g3_label\nAbout\n#\n#\n")
expect_check(message_layout ${COPY} OPTIONS --no-start
             EXPECT "FAULT +text +[^\n]*french[/\\]menu_vt_vexo.txt:4: the fourth line of message [^ ]+ is not #"
                    "FAULT +text +[^\n]*french[/\\]menu_vt_vexo.txt:[0-9]+: key g3_label given twice")

plant(icon_broken)
file(WRITE ${COPY}/text/usascii/resource/find_g8.gif "not a picture")
file(REMOVE ${COPY}/text/usascii/resource/help_g6.gif)
file(COPY_FILE ${SOURCE_DIR}/tests/dist/data/wide_32x16.gif ${COPY}/text/german/resource/login_g7a.gif)
expect_check(icon_broken ${COPY}
             EXPECT "FAULT +icon +[^\n]*usascii[/\\]resource[/\\]find_g8.gif: is not a valid GIF: not GIF89a"
                    "FAULT +icon +[^\n]*usascii[/\\]resource[/\\]help_g6.gif: is missing"
                    "FAULT +icon +[^\n]*german[/\\]resource[/\\]login_g7a.gif: is 32x16, not 16x16"
                    "FAULT +start +[^\n]*the menu item G6 \\(help_g6.gif\\) shows without an icon")

plant(client_missing)
file(REMOVE ${COPY}/${STANDIN})
expect_check(client_missing ${COPY} OPTIONS --no-start
             EXPECT "FAULT +import +[^\n]*${MODULE}: the client library [^ ]+ is not found")

plant(client_lacking)
file(COPY_FILE ${LACKING} ${COPY}/${STANDIN})
expect_check(client_lacking ${COPY} OPTIONS --no-start
             EXPECT "FAULT +import +[^\n]*${STANDIN}: the client library lacks AfterSave")

plant(foreign_module)
file(WRITE ${COPY}/${MODULE} "MZ")
set(module_fault "")
expect_check(foreign_module ${COPY}
             EXPECT "FAULT +module +[^\n]*${MODULE}: is damaged: the DOS header is cut off")
file(COPY_FILE ${VTHOST} ${COPY}/${MODULE})
expect_check(program_as_module ${COPY} OPTIONS --no-start ALLOW "${module_fault_kept}"
             EXPECT "FAULT +module +[^\n]*${MODULE}: is a program, not a library"
                    "FAULT +module +[^\n]*${MODULE}: does not export user_initialize_plus")
if(FOREIGN AND EXISTS "${FOREIGN}")
  file(COPY_FILE ${FOREIGN} ${COPY}/${MODULE})
  # The client library beside it is for this build's machine, or none is found (natively).
  expect_check(foreign_machine ${COPY} OPTIONS --no-start
               ALLOW "FAULT +import +[^\n]*client library VTProeVEXO.dll is not found"
                     "FAULT +import +[^\n]*${STANDIN}: the client library is for i386, the module for x86-64"
               EXPECT "FAULT +module +[^\n]*${MODULE}: is not i386: a x86-64 Windows module")
endif()
set(module_fault "${module_fault_kept}")

# Keys without regard to case, blank lines, an unknown key and a second add-in's entry.
plant(registry_forms)
file(READ ${COPY}/protk.dat registry)
string(REPLACE "exec_file" "EXEC_FILE" registry "${registry}")
string(REPLACE "revision" "\nRevision" registry "${registry}")
string(REPLACE "text_dir" "colour blue\ntext_dir" registry "${registry}")
file(WRITE ${COPY}/protk.dat "name other\nstartup dll\nexec_file ${COPY}/${MODULE}\ntext_dir ${COPY}/text\nend\n${registry}")
expect_check(registry_forms ${COPY} OPTIONS --no-start
             EXPECT "ok +registry +[^\n]*protk.dat:6: 2 entries, the add-in's is vt_vexo"
                    "warning +registry +[^\n]*protk.dat:9: key 'colour' is unknown, the host ignores it")

# ---- the i686 build's Windows package, unpacked where its registry file does not point ----------
set(PACKAGE "")
foreach(candidate ${I686_BUILD}/vt_vexo-${VERSION}-win32.zip ${I686_BUILD}/dist-check/package-test/vt_vexo-${VERSION}-win32.zip)
  if(I686_BUILD AND EXISTS ${candidate} AND EXISTS ${I686_BUILD}/bin/VTProeVEXO.dll AND NOT PACKAGE)
    set(PACKAGE ${candidate})
  endif()
endforeach()
if(PACKAGE)
  message(STATUS "checking the i686 package ${PACKAGE}")
  file(MAKE_DIRECTORY ${work}/zip)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${PACKAGE} WORKING_DIRECTORY ${work}/zip RESULT_VARIABLE rc)
  file(GLOB unpacked LIST_DIRECTORIES true ${work}/zip/*)
  # The administrator has installed the Vantor client beside the module (installation step 2):
  # the i686 build's stand-in plays it.
  file(COPY_FILE ${I686_BUILD}/bin/VTProeVEXO.dll ${unpacked}/VTProeVEXO.dll)
  file(STRINGS ${unpacked}/protk.dat exec REGEX "^exec_file ")
  string(REGEX REPLACE "^exec_file " "" exec "${exec}")
  string(REPLACE "\\" "/" exec "${exec}")
  get_filename_component(location "${exec}" DIRECTORY)
  set(module_fault "")
  # An i386 vthost starts the packaged module against its simulated host; any other skips that.
  if(MACHINE STREQUAL "i386")
    set(package_start "ok +start +[^\n]*dry start-up in language 0 \\(usascii\\): 35 menu items, every one labelled")
  else()
    set(package_start "warning +start +[^\n]*dry start-up skipped: the module is for i386")
  endif()
  expect_check(windows_package ${unpacked} OPTIONS --as ${location}
               EXPECT "ok +module +[^\n]*: PE library for i386, exporting exactly the three entry points"
                      "ok +module +[^\n]*vt_vexo.dll: version ${version}\\.0 \\(product vt-vexo ${version}, Vantor\\)"
                      "ok +import +[^\n]*VTProeVEXO.dll: client library found, exporting all 32 functions"
                      "ok +import +[^\n]*VTProeVEXO.dll: version ${version}\\.0 \\(product vt-vexo ${version}, Vantor\\)"
                      ${package_start})
  set(module_fault "${module_fault_kept}")
endif()

# ---- vthost --registry runs the demo session from the installed tree ----------------------------
vthost(${prefix} --registry ${prefix}/protk.dat ${SOURCE_DIR}/examples/demo.vth)
if(NOT RC EQUAL 0 OR NOT OUT MATCHES "host: add-in ${MODULE}\n" OR NOT OUT MATCHES "VTProeVEXO: AfterInit\\(\\) -> 0"
   OR NOT OUT MATCHES "host: add-in unloaded")
  fail("vthost --registry did not run the demo session (${RC}):\n${OUT}")
endif()

end_checks("vthost check failed on the installed tree")
message(STATUS "vthost check: the installed tree checks clean and every planted fault is found")
