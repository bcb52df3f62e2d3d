# Builds the Windows Installer package (cmake -P), for the msi target (cmake/msi.cmake):
#   WIXL, MSIBUILD, MSIDUMP  the tools (Debian packages wixl and msitools)
#   SOURCE, INCLUDE_DIR      the WiX source and the folder of its generated includes
#   VERSION, BIN_DIR, NOTES  the package's version and where its files are, relative to the
#                            working folder (wixl takes no absolute source paths)
#   OUTPUT                   the package to write
# Two things wixl leaves out are added to its tables afterwards: the RemoveFile row that removes
# protk.dat (written at install time by vt_protk.exe, so no file of the package), and the
# versions of the three programs and modules in the File table, which Windows Installer compares
# with a file already on disk (a versioned file has no hash row).
cmake_minimum_required(VERSION 3.25)
get_filename_component(work ${OUTPUT} DIRECTORY)
set(work ${work}/msi/build)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/tables)
set(package ${work}/package.msi)

execute_process(COMMAND ${WIXL} -a x86 -I ${INCLUDE_DIR} -D Version=${VERSION} -D BinDir=${BIN_DIR}
                        -D NotesFile=${NOTES} -o ${package} ${SOURCE}
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
if(rc OR NOT EXISTS ${package})
  message(FATAL_ERROR "wixl failed (${rc}): ${out}${err}")
endif()

execute_process(COMMAND ${MSIDUMP} -d ${work}/tables -t ${package} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
foreach(table RemoveFile File MsiFileHash)
  if(rc OR NOT EXISTS ${work}/tables/${table}.idt)
    message(FATAL_ERROR "msidump of the ${table} table failed (${rc}): ${err}")
  endif()
  file(STRINGS ${work}/tables/${table}.idt ${table}_rows)
endforeach()

set(versioned vt_vexo_dll vthost_exe vt_protk_exe)
# An idt file: three header lines, then one row a line, tab-separated.
function(write_table table)
  list(JOIN ARGN "\n" text)
  file(WRITE ${work}/${table}.idt "${text}\n")
  execute_process(COMMAND ${MSIBUILD} ${package} -i ${work}/${table}.idt RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "msibuild could not write the ${table} table (${rc}): ${err}")
  endif()
endfunction()

list(APPEND RemoveFile_rows "RemoveRegistryFile\tModule\tprotk.dat\tINSTALLDIR\t2")
write_table(RemoveFile ${RemoveFile_rows})

set(rows)
set(found 0)
foreach(row ${File_rows})
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 key)
  if(key IN_LIST versioned)
    list(LENGTH fields count)
    if(NOT count EQUAL 8)
      message(FATAL_ERROR "unexpected File row: ${row}")
    endif()
    list(REMOVE_AT fields 4 5)
    list(INSERT fields 4 ${VERSION}.0 1033)
    list(JOIN fields "\t" row)
    math(EXPR found "${found} + 1")
  endif()
  list(APPEND rows "${row}")
endforeach()
list(LENGTH versioned wanted)
if(NOT found EQUAL wanted)
  message(FATAL_ERROR "the File table lacks one of ${versioned}")
endif()
write_table(File ${rows})

set(rows)
foreach(row ${MsiFileHash_rows})
  string(REGEX MATCH "^[^\t]*" key "${row}")
  if(NOT key IN_LIST versioned)
    list(APPEND rows "${row}")
  endif()
endforeach()
write_table(MsiFileHash ${rows})
file(COPY_FILE ${package} ${OUTPUT})
