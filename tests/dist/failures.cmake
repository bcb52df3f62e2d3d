# Counting failures in a check script: fail(message) reports one and goes on, so that a run shows
# every failure; the script ends with end_checks(message), which stops with that message when any
# check failed.  The count is a global property, not a variable, so that a failure reported from
# inside a function (of any depth) counts as much as one at the script's top level.
set_property(GLOBAL PROPERTY vt_check_failures 0)
function(fail message)
  message(SEND_ERROR "${message}")
  get_property(count GLOBAL PROPERTY vt_check_failures)
  math(EXPR count "${count} + 1")
  set_property(GLOBAL PROPERTY vt_check_failures ${count})
endfunction()

# Stops the script with MESSAGE when any check failed; returns when all held.
function(end_checks message)
  get_property(count GLOBAL PROPERTY vt_check_failures)
  if(count GREATER 0)
    message(FATAL_ERROR "${message}: ${count} check(s) failed")
  endif()
endfunction()

# Every file under DIR (folders not listed), relative to it, sorted, in the list OUT.
function(tree_files dir out)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${dir} ${dir}/*)
  list(SORT files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# Checks that the files under ROOT are exactly those of the list in the variable WANT_VAR (paths
# relative to ROOT), naming the missing and the unexpected ones.  A file the list names twice is
# a fault of the list, reported as well: the tree cannot hold it twice.
function(expect_files root want_var)
  tree_files(${root} have)
  set(want ${${want_var}})
  list(SORT want)
  set(missing ${want})
  if(have)
    list(REMOVE_ITEM missing ${have})
  endif()
  set(extra ${have})
  if(want)
    list(REMOVE_ITEM extra ${want})
  endif()
  set(seen)
  set(twice)
  foreach(file IN LISTS want)
    if(file IN_LIST seen)
      list(APPEND twice ${file})
    endif()
    list(APPEND seen ${file})
  endforeach()
  if(missing OR extra)
    fail("${root}:\n  missing: ${missing}\n  unexpected: ${extra}")
  endif()
  if(twice)
    fail("${root}: the files expected there name these twice: ${twice}")
  endif()
endfunction()
