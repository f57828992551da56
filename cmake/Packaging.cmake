# Installing TQ612 like a desktop program, and its Debian package.
#
#   cmake --install build --prefix /usr/local   lays the programs, the user guide, the
#                                               default template, the desktop entry, the
#                                               icons and the AppStream metadata out
#   scripts/package.sh                          makes build/package/tq612_<version>_<arch>.deb
#
# The program, its user guide and its default template are installed where they are
# built (src/); everything else a desktop needs is installed here. The program finds
# the guide and the template in ../share/tq612 beside its executable.

# The id of the desktop entry and of the AppStream component (main.cpp names it too).
set(TQ612_APP_ID io.github.tq612.TQ612)
set(TQ612_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/tq612.svg)
set(TQ612_ICON_SIZES 16 22 24 32 48 64 128 256)
# Who answers for the package: the Maintainer field, the changelog and the copyright file.
set(TQ612_MAINTAINER "TQ612 developers <developers@tq612.org>")

# ---- Programs ----
install(TARGETS tq612-metersim RUNTIME DESTINATION bin)
if(TARGET tq612-cli)
  install(TARGETS tq612-cli RUNTIME DESTINATION bin)
endif()

# ---- Manual pages, copyright and changelog ----
# Debian wants them compressed without a time stamp, so packages build alike.
set(TQ612_MANUALS tq612 tq612-metersim)
if(TARGET tq612-cli)
  list(APPEND TQ612_MANUALS tq612-cli)
endif()
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${packaging_out}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_out}/changelog @ONLY)
set(gzipped_docs)
foreach(page ${TQ612_MANUALS})
  list(APPEND gzipped_docs ${packaging_out}/${page}.1.gz)
  add_custom_command(OUTPUT ${packaging_out}/${page}.1.gz
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/packaging/${page}.1 ${packaging_out}/${page}.1.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${page}.1 VERBATIM)
  install(FILES ${packaging_out}/${page}.1.gz DESTINATION share/man/man1)
endforeach()
add_custom_command(OUTPUT ${packaging_out}/changelog.gz
  COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${packaging_out}/changelog ${packaging_out}/changelog.gz
  DEPENDS ${packaging_out}/changelog VERBATIM)
list(APPEND gzipped_docs ${packaging_out}/changelog.gz)
add_custom_target(tq612-package-docs ALL DEPENDS ${gzipped_docs})
install(FILES ${packaging_out}/copyright ${packaging_out}/changelog.gz DESTINATION share/doc/tq612)

# ---- Desktop entry, icon and AppStream metadata ----
# The PNG sizes are drawn from the SVG artwork when the program is built.
add_executable(tq612-iconrender ${PROJECT_SOURCE_DIR}/tools/iconrender/main.cpp)
target_link_libraries(tq612-iconrender PRIVATE Qt6::Gui Qt6::Svg)
set(icon_theme ${CMAKE_BINARY_DIR}/icons/hicolor)
set(icon_pngs)
foreach(size ${TQ612_ICON_SIZES})
  list(APPEND icon_pngs ${icon_theme}/${size}x${size}/apps/tq612.png)
  install(FILES ${icon_theme}/${size}x${size}/apps/tq612.png DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND tq612-iconrender ${TQ612_ICON_SVG} ${icon_theme} ${TQ612_ICON_SIZES}
  DEPENDS tq612-iconrender ${TQ612_ICON_SVG} VERBATIM)
add_custom_target(tq612-icons ALL DEPENDS ${icon_pngs})
install(FILES ${TQ612_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TQ612_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TQ612_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# ---- The live readings to an MQTT broker as a service ----
# tq612-live@ttyUSB0 runs tq612-cli live on /dev/ttyUSB0; /etc/default/tq612-live
# holds its broker and options (a conffile: an upgrade keeps the user's edits).
if(TARGET tq612-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tq612-live@.service DESTINATION lib/systemd/system)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tq612-live.default DESTINATION /etc/default RENAME tq612-live)
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/default/tq612-live\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
endif()

# ---- Debian package ----
# Installing packs what the last build made instead of building everything again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tq612)
set(CPACK_PACKAGE_VENDOR "TQ612 developers")
set(CPACK_PACKAGE_CONTACT "${TQ612_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of a four-channel thermometer with data logger")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TQ612 finds the meter on a serial port, mirrors its display on an on-screen
front panel whose keys work, graphs T1 to T4 live, downloads the data sets
recorded in the meter's memory, and saves, opens and prints graphs and tables.
The package also holds tq612-cli for scripts and tq612-metersim, a simulated
meter on a pseudo-terminal.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)          # tq612_<version>_<arch>.deb
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The libraries come from what the programs actually link (dpkg-shlibdeps);
# the front panel's lettering needs its font, which no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
include(CPack)

# ---- The package check of ./test ----
add_test(NAME package.deb
  COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_package.sh
          ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/packaging
          $<IF:$<TARGET_EXISTS:tq612-cli>,with-cli,without-cli>)
# lintian keeps a core busy for half a minute; alone, it does not slow the
# tests that time a meter's answers.
set_tests_properties(package.deb PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
