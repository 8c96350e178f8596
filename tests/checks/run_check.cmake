# Runs `vexocad --verify NAME.vxo` in the script's own folder. With
# NO_FINDING set, the run must end with status 0 and print nothing;
# otherwise its exit status, the compiler's messages and the checker's
# findings (the lines with ": Vérification: ") must equal NAME.expected beside
# the script. With VEXOCAD_UPDATE_EXPECTED=1 in the environment it writes
# NAME.expected instead: read the diff before committing.
#   cmake -DVEXOCAD=<program> -DSCRIPT=<path/NAME.vxo> -DACTUAL_DIR=<dir> [-DNO_FINDING=1] -P run_check.cmake
get_filename_component(folder "${SCRIPT}" DIRECTORY)
get_filename_component(file "${SCRIPT}" NAME)
get_filename_component(name "${SCRIPT}" NAME_WE)
execute_process(COMMAND "${VEXOCAD}" --verify "${file}" --max-seconds 120 WORKING_DIRECTORY "${folder}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NO_FINDING)
  if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "${file}: status ${status}, printed:\n${out}${err}")
  endif()
  return()
endif()
set(messages "")
set(findings "")
# Semicolons would cut CMake's list items: they are kept aside meanwhile.
string(REPLACE ";" "@SEMICOLON@" err "${err}")
string(REPLACE "\n" ";" lines "${err}")
foreach(line IN LISTS lines)
  string(REPLACE "@SEMICOLON@" ";" line "${line}")
  if(line MATCHES ": Vérification: ")
    string(APPEND findings "${line}\n")
  elseif(NOT line STREQUAL "")
    string(APPEND messages "${line}\n")
  endif()
endforeach()
set(actual "status ${status}\n--- messages\n${messages}${out}--- findings\n${findings}")
file(MAKE_DIRECTORY "${ACTUAL_DIR}")
file(WRITE "${ACTUAL_DIR}/${name}.actual" "${actual}")
include("${CMAKE_CURRENT_LIST_DIR}/../expected_output.cmake")
compare_with_expected("${ACTUAL_DIR}/${name}.actual" "${folder}/${name}.expected")
