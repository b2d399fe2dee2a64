# Fails when a folder of a source tree (src/core, src/ui) includes a folder
# that is not below it.
#
#   cmake -DSOURCE_DIR=<folder> -DLAYERS=<order> -P CheckIncludes.cmake
#
# LAYERS lists the layers bottom to top, separated by "|"; the folders of
# one layer are separated by spaces ("common|ini list|engine"). A file may
# include its own folder and any folder of a lower layer. Every folder must
# have a place in the order, so that a new folder cannot slip past the check.
# The order may name folders of another tree below this one (the core's
# under the desktop shell's); a name given twice is a fault, since the two
# folders could not be told apart in an include.
cmake_minimum_required(VERSION 3.22)

if(NOT IS_DIRECTORY "${SOURCE_DIR}" OR "${LAYERS}" STREQUAL "")
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<folder> -DLAYERS=<order> -P CheckIncludes.cmake")
endif()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
string(REPLACE "|" ";" levels "${LAYERS}")
set(rank 0)
set(faults "")
foreach(level IN LISTS levels)
  string(REPLACE " " ";" folders "${level}")
  foreach(folder IN LISTS folders)
    if(folder STREQUAL "")
      continue()
    endif()
    if(DEFINED rank_${folder})
      string(APPEND faults "\n  the folder ${folder}/ is named twice in the layer order")
    endif()
    set(rank_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
list(SORT files)
if(files STREQUAL "")
  message(FATAL_ERROR "no sources found under ${SOURCE_DIR}")
endif()
foreach(file IN LISTS files)
  if(NOT file MATCHES "^([^/]+)/")
    continue()
  endif()
  set(folder "${CMAKE_MATCH_1}")
  if(NOT DEFINED rank_${folder})
    string(APPEND faults "\n  ${file}: the folder ${folder}/ has no place in the layer order")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "include[ \t]*[\"<]([^\">]+)[\">]")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    if(included MATCHES "^\\.\\./")
      string(APPEND faults "\n  ${file}: includes \"${included}\" by a path that leaves its folder")
    elseif(included MATCHES "^([^/]+)/")
      set(target "${CMAKE_MATCH_1}")
      # Folders outside the order (Qt's, the system's) are not ours to check.
      if(DEFINED rank_${target} AND NOT target STREQUAL folder
         AND NOT rank_${target} LESS rank_${folder})
        string(APPEND faults
               "\n  ${file}: includes \"${included}\", but ${target}/ is not below ${folder}/")
      endif()
    endif()
  endforeach()
endforeach()

if(NOT faults STREQUAL "")
  string(REPLACE "|" " < " order "${LAYERS}")
  message(FATAL_ERROR "The layer order is not kept (order, bottom to top: ${order}):${faults}")
endif()
list(LENGTH files count)
message(STATUS "Layering kept in ${count} files")
