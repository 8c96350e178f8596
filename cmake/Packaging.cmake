# Installing like any Linux desktop program, and the Debian package.
# The program finds its data in <prefix>/share/vexocad beside <prefix>/bin,
# so bin and share stay side by side whatever the prefix.

# The examples beside the executable as well, where Fichier > Exemples looks
# for them in the build tree as in an installed one.
file(GLOB VEXOCAD_EXAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/*.vxo)
set(built_examples)
foreach(example ${VEXOCAD_EXAMPLES})
  get_filename_component(example_name ${example} NAME)
  set(copy ${CMAKE_BINARY_DIR}/examples/${example_name})
  add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${example} ${copy} DEPENDS ${example})
  list(APPEND built_examples ${copy})
endforeach()
add_custom_target(example_files ALL DEPENDS ${built_examples})
add_dependencies(vexocad example_files)

set(desktop_source ${CMAKE_SOURCE_DIR}/desktop)
set(desktop_build ${CMAKE_BINARY_DIR}/desktop)
set(VEXOCAD_APP_ID org.vexocad.VexoCad)
set(VEXOCAD_HOMEPAGE "https://vexocad.org/" CACHE STRING "The project's web site, for the package and the AppStream data")
set(VEXOCAD_MAINTAINER "VexoCad maintainers <maintainers@vexocad.org>" CACHE STRING "The Debian package's maintainer")

# The icon at the sizes desktops ask for, drawn from our SVG.
find_program(RSVG_CONVERT rsvg-convert)
set(icon_sizes 16 24 32 48 64 128 256 512)
set(icon_files)
if(RSVG_CONVERT)
  foreach(size ${icon_sizes})
    set(png ${desktop_build}/icons/${size}x${size}/${VEXOCAD_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${desktop_build}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${desktop_source}/${VEXOCAD_APP_ID}.svg
      DEPENDS ${desktop_source}/${VEXOCAD_APP_ID}.svg)
    list(APPEND icon_files ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (Debian: librsvg2-bin) not found: only the SVG icon is installed")
endif()

# The AppStream screenshot, drawn by the program itself, to publish at the
# URL the metadata gives.
set(SCREENSHOT_WIDTH 1280)
set(SCREENSHOT_HEIGHT 720)
set(SCREENSHOT_NAME vexocad-${PROJECT_VERSION}.png)
set(screenshot ${desktop_build}/${SCREENSHOT_NAME})
# In a sanitizer build the GL driver's memory kept to the end would count as
# leaks and fail the build; the tests check leaks with their suppressions.
add_custom_command(OUTPUT ${screenshot}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:vexocad> --render ${CMAKE_SOURCE_DIR}/examples/wheel.vxo --room
    --size ${SCREENSHOT_WIDTH}x${SCREENSHOT_HEIGHT} -o ${screenshot}
  DEPENDS vexocad ${CMAKE_SOURCE_DIR}/examples/wheel.vxo
  COMMENT "Drawing the AppStream screenshot")
configure_file(${desktop_source}/${VEXOCAD_APP_ID}.metainfo.xml.in ${desktop_build}/${VEXOCAD_APP_ID}.metainfo.xml @ONLY)

# Manual pages go compressed, as Debian keeps them.
set(manual ${desktop_build}/vexocad.1.gz)
add_custom_command(OUTPUT ${manual}
  COMMAND gzip -9 -n -c ${desktop_source}/vexocad.1 > ${manual}
  DEPENDS ${desktop_source}/vexocad.1)
# Debian wants a changelog beside every package's documentation.
configure_file(${desktop_source}/changelog.in ${desktop_build}/changelog @ONLY)
set(changelog ${desktop_build}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9 -n -c ${desktop_build}/changelog > ${changelog}
  DEPENDS ${desktop_build}/changelog)
add_custom_target(desktop_files ALL DEPENDS ${icon_files} ${screenshot} ${manual} ${changelog})

install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION share/vexocad/examples FILES_MATCHING PATTERN "*.vxo")
install(FILES ${desktop_source}/${VEXOCAD_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${desktop_source}/${VEXOCAD_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${desktop_source}/vexocad-mime.xml DESTINATION share/mime/packages RENAME vexocad.xml)
install(FILES ${desktop_build}/${VEXOCAD_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${manual} DESTINATION share/man/man1)
install(FILES ${changelog} DESTINATION share/doc/vexocad)

# cpack -G DEB: dpkg-shlibdeps (dpkg-dev) finds the libraries the program
# needs; the Debian triggers of the MIME, desktop and icon databases pick up
# the files above, so the package needs no scripts of its own.
set(CPACK_PACKAGE_NAME vexocad)
set(CPACK_PACKAGE_VENDOR VexoCad)
set(CPACK_PACKAGE_CONTACT "${VEXOCAD_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design rod-and-connector models written as a script")
set(CPACK_PACKAGE_DESCRIPTION
  "VexoCad designs models of a rod-and-connector construction toy: round
connectors with clips on their rim and straight rods whose ends snap into
the clips. A model is a small script in French words; the program compiles
it and shows the model in 3-D, inserts pieces with the mouse, and writes
pictures, building-steps booklets, parts lists and mesh files.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VEXOCAD_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
