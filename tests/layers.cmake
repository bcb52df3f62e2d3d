# The layers include only downwards: a file of a layer may include its own layer's headers and
# those of the layers below it, never one above or beside it.
#     platform  <  frame, pdmclient  <  memory  <  text  <  bridge  <  module  <  host  <  host/check
# (vthost's simulator below its installation checker) and the programs around the product
# (vthost's main, tests, support, bench, fuzz, setup, examples) above all.
#   cmake -DROOT=<source tree> -P tests/layers.cmake
# Prints every include that breaks the rule and fails when there is one.
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P layers.cmake")
endif()

set(levels platform=0 frame=1 pdmclient=1 memory=2 text=3 bridge=4 module=5 host=6 host/check=7
           tests=8 support=8 bench=8 fuzz=8 setup=8 examples=8)
foreach(entry ${levels})
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 layer)
  list(GET pair 1 level_of_${layer})
  list(APPEND layers ${layer})
endforeach()

set(faults 0)
set(checked 0)
foreach(folder platform frame pdmclient memory text bridge module host)
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.c)
  foreach(source ${sources})
    set(layer ${folder})
    if(source MATCHES "^${ROOT}/host/check/")
      set(layer host/check)
    elseif(source STREQUAL "${ROOT}/host/main.cpp")
      set(layer tests)  # the vthost program, above its simulator and its checker
    endif()
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*" "\\1" target "${line}")
      if(line MATCHES "\"host/check/")
        set(target host/check)
      endif()
      math(EXPR checked "${checked} + 1")
      if(target STREQUAL line OR NOT target IN_LIST layers OR target STREQUAL layer)
        continue()  # a header beside the file, a generated one, or one of its own layer
      endif()
      if(NOT level_of_${target} LESS level_of_${layer})
        file(RELATIVE_PATH shown ${ROOT} ${source})
        message("${shown}: ${line}: ${layer} may not include ${target} (layer ${level_of_${target}} is not below ${level_of_${layer}})")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layer order")
endif()
message("layers: ${checked} includes checked, every one downwards or within its layer")
