# Shared by the expected-output runners: ACTUAL (a file the program's output
# was written to) must equal EXPECTED byte for byte; with
# VEXOCAD_UPDATE_EXPECTED=1 in the environment it becomes EXPECTED instead.
function(compare_with_expected actual expected)
  if("$ENV{VEXOCAD_UPDATE_EXPECTED}" STREQUAL "1")
    file(COPY_FILE "${actual}" "${expected}")
    return()
  endif()
  if(NOT EXISTS "${expected}")
    message(FATAL_ERROR "${expected} is missing: run with VEXOCAD_UPDATE_EXPECTED=1 to make it")
  endif()
  execute_process(COMMAND diff -u "${expected}" "${actual}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${actual} differs from ${expected} (diff above)")
  endif()
endfunction()
