# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made from the install rules: "cmake --build BUILD
# --target package" writes BUILD/eeprom24c01_VERSION_ARCH.deb. Its Depends
# come from the libraries the binary links (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_CONTACT "eeprom24c01 developers <eeprom24c01@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program, read and verify 24Cxx serial EEPROMs")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Works on a PC's parallel port, a Linux I2C adapter, a CH341A USB programmer or a simulated board.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_EEPROM24C01_DATADIRS ${CMAKE_INSTALL_FULL_DATADIR} ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/gzip_man_pages.cmake)
include(CPack)
