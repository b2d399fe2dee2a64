# Runs the include check on a small tree with one fault of each kind and
# on a sound file of each layer, and fails unless exactly the faults are
# named; then with an order that names a folder twice.
#
#   cmake -DCHECK=<CheckIncludes.cmake> -DFIXTURE=<folder> -P CheckIncludesTest.cmake
cmake_minimum_required(VERSION 3.22)

execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${FIXTURE} "-DLAYERS=common|middle peer|top"
                        -P "${CHECK}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed a tree with upward includes:\n${all}")
endif()

set(expected
    "common/Guard.h: includes \"top/Widget.h\", but top/ is not below common/"
    "middle/Peer.h: includes \"peer/Other.h\", but peer/ is not below middle/"
    "peer/Other.h: includes \"../common/Guard.h\" by a path that leaves its folder"
    "stray/Lost.h: the folder stray/ has no place in the layer order")
foreach(line IN LISTS expected)
  string(FIND "${all}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing from the check's report: ${line}\nreport:\n${all}")
  endif()
endforeach()
foreach(sound "middle/Ok.cpp" "middle/Ok.h" "top/Widget.h")
  string(FIND "${all}" "${sound}:" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "the check blamed a sound file, ${sound}:\n${all}")
  endif()
endforeach()

# A folder named twice (a shell folder named like one of the core's below
# it) would take the upper rank and let the lower folders include it.
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${FIXTURE}
                        "-DLAYERS=common|middle peer|top stray common" -P "${CHECK}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
string(FIND "${all}" "the folder common/ is named twice in the layer order" at)
if(result EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "the check did not name the folder given twice:\n${all}")
endif()
