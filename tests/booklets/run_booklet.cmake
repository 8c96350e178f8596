# Runs `vexocad --steps NAME.vxo -o <dir>/NAME --size 96x72` in the script's
# folder: status 0, nothing printed, an index.html that a strict HTML5 parser
# accepts and that names exactly the pictures written beside it, equal byte
# for byte to NAME.html beside the script, or to EXPECTED where given
# (VEXOCAD_UPDATE_EXPECTED=1 rewrites that instead).
#   cmake -DVEXOCAD=<program> -DSCRIPT=<path/NAME.vxo> -DACTUAL_DIR=<dir> [-DEXPECTED=<file>] -P run_booklet.cmake
get_filename_component(folder "${SCRIPT}" DIRECTORY)
get_filename_component(file "${SCRIPT}" NAME)
get_filename_component(name "${SCRIPT}" NAME_WE)
set(actual "${ACTUAL_DIR}/${name}")
file(REMOVE_RECURSE "${actual}")
file(MAKE_DIRECTORY "${ACTUAL_DIR}")
execute_process(COMMAND "${VEXOCAD}" --steps "${file}" -o "${actual}" --size 96x72
                WORKING_DIRECTORY "${folder}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "${file}: status ${status}, printed:\n${out}${err}")
endif()
execute_process(COMMAND /usr/bin/python3 "${CMAKE_CURRENT_LIST_DIR}/check_booklet.py" "${actual}"
                RESULT_VARIABLE invalid)
if(invalid)
  message(FATAL_ERROR "${actual}/index.html is not a valid, self-contained booklet (above)")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/../expected_output.cmake")
if(NOT EXPECTED)
  set(EXPECTED "${folder}/${name}.html")
endif()
compare_with_expected("${actual}/index.html" "${EXPECTED}")
