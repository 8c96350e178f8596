# Data files made at build time by our own generators and placed beside the
# executable, where the program looks for them (dataDir), and installed with
# it under share/vexocad.
function(vexocad_generated_data generator folder what)
  if(NOT TARGET ${generator})
    return()
  endif()
  set(stamp ${CMAKE_BINARY_DIR}/${folder}/${generator}.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${generator} ${CMAKE_BINARY_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${generator}
    COMMENT "Generating ${what}")
  add_custom_target(${generator}_files ALL DEPENDS ${stamp})
  add_dependencies(vexocad ${generator}_files)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/${folder} DESTINATION share/vexocad PATTERN "*.stamp" EXCLUDE)
endfunction()

vexocad_generated_data(gen_pieces vexo "piece files")
vexocad_generated_data(gen_textures data "room textures")
