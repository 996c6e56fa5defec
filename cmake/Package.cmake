# The Debian package, made by CPack's DEB generator: `cpack -G DEB` in a build folder (CPack installs
# below /usr whatever CMAKE_INSTALL_PREFIX says). tools/package.sh builds it into dist/.
#
# Beside Install.cmake's files it installs, below PREFIX:
#   share/man/man1/TarnovelMon.1.gz, share/metainfo/com.kestrune.tarnovelmon.metainfo.xml,
#   share/icons/hicolor/scalable/apps/tarnovelmon.svg, share/doc/tarnovelmon/{copyright,changelog.gz},
#   share/lintian/overrides/tarnovelmon.
# The postinst (packaging/postinst) gives the echo helper, lib/tarnovelmon/tarnovelmon-echo,
# cap_net_raw+ep; the program itself carries no capability.

set(TN_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(TN_METAINFO ${PROJECT_SOURCE_DIR}/data/com.kestrune.tarnovelmon.metainfo.xml)
set(TN_PACKAGE_BUILT ${PROJECT_BINARY_DIR}/package)

# The version is project(VERSION): the changelog and the metainfo must have an entry for it.
file(STRINGS ${TN_PACKAGING}/changelog tn_changelog_top LIMIT_COUNT 1)
file(READ ${TN_METAINFO} tn_metainfo)
if(NOT tn_changelog_top MATCHES "^tarnovelmon \\(${PROJECT_VERSION}\\) "
   OR NOT tn_metainfo MATCHES "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "packaging/changelog (first entry) and ${TN_METAINFO} (a release) need version "
                      "${PROJECT_VERSION}, the version of project() in CMakeLists.txt")
endif()

# The manual page and the changelog, compressed without a time stamp.
find_program(TN_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/docs/TarnovelMon.1.in ${TN_PACKAGE_BUILT}/TarnovelMon.1 @ONLY)
add_custom_command(
  OUTPUT ${TN_PACKAGE_BUILT}/TarnovelMon.1.gz ${TN_PACKAGE_BUILT}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${TN_PACKAGING}/changelog ${TN_PACKAGE_BUILT}/changelog
  COMMAND ${TN_GZIP} -9nkf ${TN_PACKAGE_BUILT}/TarnovelMon.1 ${TN_PACKAGE_BUILT}/changelog
  DEPENDS ${TN_PACKAGE_BUILT}/TarnovelMon.1 ${TN_PACKAGING}/changelog
  COMMENT "Compressing the manual page and the changelog"
  VERBATIM)
add_custom_target(tn_package_files ALL DEPENDS ${TN_PACKAGE_BUILT}/TarnovelMon.1.gz ${TN_PACKAGE_BUILT}/changelog.gz)

install(FILES ${TN_PACKAGE_BUILT}/TarnovelMon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TN_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/tarnovelmon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TN_PACKAGING}/copyright ${TN_PACKAGE_BUILT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnovelmon)
install(FILES ${TN_PACKAGING}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tarnovelmon)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnovelmon)
set(CPACK_PACKAGE_VENDOR "Kestrune Software")
set(CPACK_PACKAGE_CONTACT "TarnovelMon maintainers <maintainers@users.noreply.c-seed-a2737be1.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet connection monitor with a traffic light and a tray icon")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarnovel Monitor sends a main or an alternate site an ICMP echo request once
per round and lights a traffic light: green graded by the round-trip time,
yellow on a first failure, red on repeated failures. It keeps counters and
times per lamp, mirrors the state in a tray icon, and can start itself at
logon.

Where the ICMP ping socket is closed, a small echo helper of its own, given
CAP_NET_RAW (setcap), sends the echo requests for every user; it loads no
plugins, drops the capability once its socket is open and sends only the
probe's echo requests. The program itself holds no privilege.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libcap2-bin)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TN_PACKAGING}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
