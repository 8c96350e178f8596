# `cmake --install` into a temporary DESTDIR whose path has spaces and accents;
# the installed program then runs from other folders, by its path, by a
# relative path and through a symbolic link, and finds its data where it is
# installed. The MIME database takes the script type.
set(root "${WORK}/racine d'essai é")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY "${root}" ${WORK}/ailleurs ${WORK}/liens)
execute_process(COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${root}" ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ended with ${status}")
endif()

set(usr "${root}/usr")
foreach(installed bin/vexocad share/vexocad/vexo/Parts share/vexocad/vexo/P share/vexocad/vexo/Coarse/Parts
    share/vexocad/vexo/Tiny share/vexocad/data/Wood.bmp share/vexocad/examples/wheel.vxo
    share/applications/org.vexocad.VexoCad.desktop share/icons/hicolor/scalable/apps/org.vexocad.VexoCad.svg
    share/icons/hicolor/48x48/apps/org.vexocad.VexoCad.png share/mime/packages/vexocad.xml
    share/metainfo/org.vexocad.VexoCad.metainfo.xml share/man/man1/vexocad.1.gz)
  if(NOT EXISTS "${usr}/${installed}")
    message(SEND_ERROR "not installed: ${installed}")
  endif()
endforeach()
file(GLOB_RECURSE leftovers "${root}/*.stamp" "${root}/*.expected")
if(leftovers)
  message(SEND_ERROR "build files installed: ${leftovers}")
endif()
file(CREATE_LINK "${usr}/bin/vexocad" ${WORK}/liens/vexocad SYMBOLIC)

# Each run: folder, program, arguments; it must end with 0 and print no message.
set(runs
  "${WORK}/ailleurs|${usr}/bin/vexocad|--version"
  "${usr}|bin/vexocad|--check|share/vexocad/examples/wheel.vxo"
  "${WORK}/ailleurs|${WORK}/liens/vexocad|--render|${usr}/share/vexocad/examples/turning-wheel.vxo|--room|--detail|auto|--size|64x48|-o|vue.png")
foreach(run ${runs})
  string(REPLACE "|" ";" run "${run}")
  list(POP_FRONT run folder)
  execute_process(COMMAND ${run} WORKING_DIRECTORY "${folder}" RESULT_VARIABLE status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(SEND_ERROR "in ${folder}: ${run}\nended with ${status}:\n${out}${err}")
  endif()
endforeach()
if(NOT EXISTS ${WORK}/ailleurs/vue.png)
  message(SEND_ERROR "the installed program's --render wrote no image")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_DIRS=${usr}/share" update-mime-database "${usr}/share/mime"
  RESULT_VARIABLE status)
file(STRINGS "${usr}/share/mime/globs2" globs REGEX "vexocad")
if(NOT status EQUAL 0 OR NOT globs MATCHES "text/x-vexocad:\\*\\.vxo")
  message(SEND_ERROR "the MIME database has no *.vxo type (${status}): ${globs}")
endif()
file(REMOVE_RECURSE ${WORK})
