# Runs `vexocad --dump NAME.vxo` in the script's own folder and compares the
# exit status, the messages (standard error) and the dump (standard output)
# with NAME.expected beside the script. With VEXOCAD_UPDATE_EXPECTED=1 in the
# environment it writes NAME.expected instead: read the diff before committing.
#   cmake -DVEXOCAD=<program> -DSCRIPT=<path/NAME.vxo> -DACTUAL_DIR=<dir> -P run_script.cmake
get_filename_component(folder "${SCRIPT}" DIRECTORY)
get_filename_component(file "${SCRIPT}" NAME)
get_filename_component(name "${SCRIPT}" NAME_WE)
execute_process(COMMAND "${VEXOCAD}" --dump "${file}" WORKING_DIRECTORY "${folder}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(actual "status ${status}\n--- messages\n${err}--- dump\n${out}")
set(expected_file "${folder}/${name}.expected")
if("$ENV{VEXOCAD_UPDATE_EXPECTED}" STREQUAL "1")
  file(WRITE "${expected_file}" "${actual}")
  return()
endif()
if(NOT EXISTS "${expected_file}")
  message(FATAL_ERROR "${expected_file} is missing: run with VEXOCAD_UPDATE_EXPECTED=1 to make it")
endif()
file(READ "${expected_file}" expected)
if(NOT actual STREQUAL expected)
  file(MAKE_DIRECTORY "${ACTUAL_DIR}")
  file(WRITE "${ACTUAL_DIR}/${name}.actual" "${actual}")
  execute_process(COMMAND diff -u "${expected_file}" "${ACTUAL_DIR}/${name}.actual")
  message(FATAL_ERROR "${file}: output differs from ${name}.expected (diff above)")
endif()
