# Runs `vexocad --render NAME.vxo --size 128x128 --view start [NAME.args]` in
# the script's own folder and compares the image byte for byte with NAME.png beside it
# (libpng and zlib write the same bytes for the same pixels); the render must
# end with status 0 and print nothing. With VEXOCAD_UPDATE_EXPECTED=1 in the
# environment it writes NAME.png instead: look at the new image before
# committing it.
#   cmake -DVEXOCAD=<program> -DSCRIPT=<path/NAME.vxo> -DACTUAL_DIR=<dir> -P run_render.cmake
get_filename_component(folder "${SCRIPT}" DIRECTORY)
get_filename_component(file "${SCRIPT}" NAME)
get_filename_component(name "${SCRIPT}" NAME_WE)
set(args "")
if(EXISTS "${folder}/${name}.args")
  file(READ "${folder}/${name}.args" args)
  string(STRIP "${args}" args)
  separate_arguments(args UNIX_COMMAND "${args}")
endif()
file(MAKE_DIRECTORY "${ACTUAL_DIR}")
set(actual "${ACTUAL_DIR}/${name}.png")
file(REMOVE "${actual}")
execute_process(COMMAND "${VEXOCAD}" --render "${file}" -o "${actual}" --size 128x128 --view start ${args}
                WORKING_DIRECTORY "${folder}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "${file}: status ${status}, printed:\n${out}${err}")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/../expected_output.cmake")
compare_with_expected("${actual}" "${folder}/${name}.png")
