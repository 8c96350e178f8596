# Data files made at build time by our own generators and placed beside the
# executable, where the program looks for them (dataDir), and installed with
# it under share/vexocad.
if(TARGET gen_pieces)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/vexo/pieces.stamp
    COMMAND gen_pieces ${CMAKE_BINARY_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/vexo/pieces.stamp
    DEPENDS gen_pieces
    COMMENT "Generating piece files")
  add_custom_target(piece_files ALL DEPENDS ${CMAKE_BINARY_DIR}/vexo/pieces.stamp)
  add_dependencies(vexocad piece_files)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/vexo DESTINATION share/vexocad PATTERN "*.stamp" EXCLUDE)
endif()
if(TARGET gen_textures)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/data/textures.stamp
    COMMAND gen_textures ${CMAKE_BINARY_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/data/textures.stamp
    DEPENDS gen_textures
    COMMENT "Generating room textures")
  add_custom_target(texture_files ALL DEPENDS ${CMAKE_BINARY_DIR}/data/textures.stamp)
  add_dependencies(vexocad texture_files)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/data DESTINATION share/vexocad PATTERN "*.stamp" EXCLUDE)
endif()
