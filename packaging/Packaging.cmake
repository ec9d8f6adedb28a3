# Installation and the Debian package.
#
# An installation keeps the build tree's layout, bin/ beside etc/Corvane/config/ and log/,
# because the program finds its settings file from its own folder. The package puts that tree
# under /opt/zr415 and adds what a desktop system expects (links in /usr/bin, a menu entry, an
# icon, manual pages, documentation) as the component "system", which only the package installs:
# `cmake --install build --prefix DIR` never writes outside DIR.

include(GNUInstallDirs)
set(ZR415_PACKAGE_PREFIX /opt/zr415)
set(ZR415_PACKAGE_MAINTAINER "ZR415 maintainers <zr415@corvane.example>"
    CACHE STRING "Maintainer field of the Debian package")
# Three parts, as Debian versions sort when a patch release follows.
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "the project version must have three parts, not ${PROJECT_VERSION}")
endif()
set(ZR415_PACKAGE_VERSION ${PROJECT_VERSION})

install(TARGETS zr415 RUNTIME DESTINATION bin)
install(FILES etc/Corvane/config/ZR415.ini DESTINATION etc/Corvane/config)
install(DIRECTORY DESTINATION log)

set(ZR415_PACKAGE_FILES ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${ZR415_PACKAGE_FILES}/links)

# Absolute links: /usr/bin and /opt are different top-level folders. The program resolves the
# link to its real folder, so "$(APP_DIR)/../etc" still finds the settings.
function(zr415_system_link name)
  file(CREATE_LINK ${ZR415_PACKAGE_PREFIX}/bin/${name} ${ZR415_PACKAGE_FILES}/links/${name}
       SYMBOLIC)
  install(FILES ${ZR415_PACKAGE_FILES}/links/${name} DESTINATION /usr/bin
          COMPONENT system EXCLUDE_FROM_ALL)
endfunction()

# Manual pages and the changelog are shipped compressed, without a name or time stamp inside, so
# the package is the same from one build to the next. A manual page's source names a version of
# its own, so that `man -l` reads it as it is; the shipped page names the project's.
function(zr415_compressed source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${source})
  file(READ ${CMAKE_SOURCE_DIR}/${source} text)
  string(REGEX REPLACE "^(\\.TH [^\"\n]*\"[^\"\n]*\" \"ZR415 )[^\"]*\""
         "\\1${ZR415_PACKAGE_VERSION}\"" text "${text}")
  string(CONFIGURE "${text}" text @ONLY)
  set(shipped)
  if(EXISTS ${ZR415_PACKAGE_FILES}/${output})
    file(READ ${ZR415_PACKAGE_FILES}/${output} shipped)
  endif()
  if(NOT shipped STREQUAL text) # unchanged, it is not compressed again
    file(WRITE ${ZR415_PACKAGE_FILES}/${output} "${text}")
  endif()
  add_custom_command(OUTPUT ${ZR415_PACKAGE_FILES}/${output}.gz
    COMMAND gzip -9nkf ${output}
    WORKING_DIRECTORY ${ZR415_PACKAGE_FILES}
    DEPENDS ${ZR415_PACKAGE_FILES}/${output}
    VERBATIM)
endfunction()

zr415_compressed(packaging/zr415.1 zr415.1)
zr415_compressed(packaging/zr415ctl.1 zr415ctl.1)
zr415_compressed(packaging/zr415-sim.1 zr415-sim.1)
zr415_compressed(packaging/changelog.in changelog)
add_custom_target(zr415_package_files ALL DEPENDS
  ${ZR415_PACKAGE_FILES}/zr415.1.gz ${ZR415_PACKAGE_FILES}/zr415ctl.1.gz
  ${ZR415_PACKAGE_FILES}/zr415-sim.1.gz
  ${ZR415_PACKAGE_FILES}/changelog.gz)

zr415_system_link(zr415)
set(system_only COMPONENT system EXCLUDE_FROM_ALL)
install(FILES packaging/zr415.desktop DESTINATION /usr/share/applications ${system_only})
install(FILES packaging/zr415.svg DESTINATION /usr/share/icons/hicolor/scalable/apps ${system_only})
install(FILES ${ZR415_PACKAGE_FILES}/zr415.1.gz ${ZR415_PACKAGE_FILES}/zr415-sim.1.gz
        DESTINATION /usr/share/man/man1 ${system_only})
install(FILES packaging/copyright ${ZR415_PACKAGE_FILES}/changelog.gz
        DESTINATION /usr/share/doc/zr415 ${system_only})
install(FILES packaging/lintian-overrides DESTINATION /usr/share/lintian/overrides RENAME zr415
        ${system_only})

file(WRITE ${ZR415_PACKAGE_FILES}/conffiles
     "${ZR415_PACKAGE_PREFIX}/etc/Corvane/config/ZR415.ini\n")
foreach(script postinst postrm)
  configure_file(packaging/${script} ${ZR415_PACKAGE_FILES}/${script} COPYONLY)
endforeach()

# The command-line tool may be defined anywhere in the tree, so this waits for the whole project;
# it installs itself beside its target.
function(zr415_finish_package)
  if(TARGET zr415ctl)
    zr415_system_link(zr415ctl)
    install(FILES ${ZR415_PACKAGE_FILES}/zr415ctl.1.gz DESTINATION /usr/share/man/man1
            COMPONENT system EXCLUDE_FROM_ALL)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME zr415)
  set(CPACK_PACKAGE_VENDOR Corvane)
  set(CPACK_PACKAGE_VERSION ${ZR415_PACKAGE_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the ZR415 GNSS receiver")
  set(CPACK_PACKAGE_DESCRIPTION
      "A desktop window and a command-line tool for the ZR415 receiver on a serial\n"
      "port: switch its NMEA outputs (GGA to HDT) to a rate or off, switch SBAS, set\n"
      "the HDT talker, clear the stored satellite data, restore the factory settings\n"
      "and read back the serial number and output rates. zr415ctl applies one profile\n"
      "to many receivers at once, checks each by reading it back and keeps an audit\n"
      "file. A simulated receiver on a pseudo-terminal is included for trying it out.")
  string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
  # Installs with DESTDIR, so the absolute /usr destinations land in the package too.
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INSTALL_PREFIX ${ZR415_PACKAGE_PREFIX})
  set(CPACK_PACKAGING_INSTALL_PREFIX ${ZR415_PACKAGE_PREFIX})
  set(CPACK_STRIP_FILES ON)

  # One package holding every component, the "system" one included.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZR415_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The captions are Chinese; the Qt translations make the standard buttons Chinese as well.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
      ${ZR415_PACKAGE_FILES}/conffiles ${ZR415_PACKAGE_FILES}/postinst
      ${ZR415_PACKAGE_FILES}/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/DisownOpt.cmake)
  include(CPack)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zr415_finish_package)
