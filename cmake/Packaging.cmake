# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made from the install rules: "cmake --build BUILD
# --target package" writes BUILD/eeprom24c01_VERSION_ARCH.deb. Its Depends
# come from the libraries the binary links (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_CONTACT "eeprom24c01 developers <eeprom24c01@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program, read and verify 24Cxx serial EEPROMs")
# The lines under the summary, as a user reading "apt show" needs them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[eeprom24c01 writes an image into a 24Cxx serial EEPROM, from the 24C01 to
the 24C512, reads a chip back into a file, and verifies a chip against an
image. It is for technicians and hobbyists with the part on their bench,
and for production runs that program a series of boards.

It drives the chip on a ZQ7031A demo board on a PC's parallel port
(through ppdev, one line at a time), on any Linux I2C adapter (i2c-dev: a
Raspberry Pi's I2C pins, a USB bridge), on a CH341A USB programmer, or on
a simulated board to try it out. It offers an interactive menu on an image
in memory, and command-line actions for scripts: load files in Intel HEX,
Motorola S-record and other
formats, a serial number written into each board, and a production log.]])
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_EEPROM24C01_DATADIRS ${CMAKE_INSTALL_FULL_DATADIR} ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/gzip_docs.cmake)
include(CPack)
