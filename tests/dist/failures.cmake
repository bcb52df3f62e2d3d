# Counting failures in a check script: fail(message...) reports one and goes on, so that a run
# shows every failure; the script ends with `if(failures) message(FATAL_ERROR ...)`.
set(failures 0)
macro(fail)
  message(SEND_ERROR ${ARGN})
  math(EXPR failures "${failures} + 1")
endmacro()
