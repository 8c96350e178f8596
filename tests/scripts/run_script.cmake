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
file(MAKE_DIRECTORY "${ACTUAL_DIR}")
file(WRITE "${ACTUAL_DIR}/${name}.actual" "${actual}")
include("${CMAKE_CURRENT_LIST_DIR}/../expected_output.cmake")
compare_with_expected("${ACTUAL_DIR}/${name}.actual" "${folder}/${name}.expected")
