# Installation and the Debian package (cpack -G DEB; ./package.sh runs it). The program goes
# to /usr/bin/kwpos with its menu entry, icon and man page; the shops' data and the station
# settings stay in the user's home (~/.local/share/kwpos, ~/.config/kwpos), so removing the
# package never touches them.
include(GNUInstallDirs)

set(pkg ${CMAKE_CURRENT_LIST_DIR})

# Installing takes what is built; it does not build every test first (package.sh builds the
# program alone).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(PROGRAMS $<TARGET_FILE:kwpos_main> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME kwpos)
# The build keeps its debugging information; the installed program does not need it.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kwpos\")")
install(FILES ${pkg}/kwpos.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg}/kwpos.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian wants man pages gzipped, without a time stamp so that the package is reproducible.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(manpage ${CMAKE_CURRENT_BINARY_DIR}/kwpos.1.gz)
add_custom_command(OUTPUT ${manpage}
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${pkg}/kwpos.1 > ${manpage}
  DEPENDS ${pkg}/kwpos.1 VERBATIM)
add_custom_target(kwpos_manpage ALL DEPENDS ${manpage})
install(FILES ${manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kwpos)
set(CPACK_PACKAGE_VENDOR "kwpos developers")
set(CPACK_PACKAGE_CONTACT "kwpos developers <kwpos@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "counter program of a dairy shop")
# One string (a semicolon would split it into a CMake list), wrapped as Debian shows it.
set(CPACK_PACKAGE_DESCRIPTION "Counter sales by bar code or shop number, members' prepaid
orders handed out over many visits, stored-value recharges and payments,
receipts, the cash drawer, lists and reports. Several stations may share one
PostgreSQL database, or a single station works on an embedded SQLite file.
The first start creates a demo account set.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # kwpos_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links are found by dpkg-shlibdeps; what Qt loads at run time is not: the
# platform plugins, libpq (loaded when a server account set opens) and a font that shows Chinese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libpq5, fonts-noto-cjk, fonts-wqy-microhei, fonts-noto-color-emoji, libzip4, libxlsxwriter4")
# pg_dump and pg_restore back up and restore a shop on a PostgreSQL server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, postgresql-client")
include(CPack)
