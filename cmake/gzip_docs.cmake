# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the files it staged. A page names files under the prefix
# the build was configured for, while the package installs under its own;
# and Debian ships manual pages and the changelog gzipped, while "cmake
# --install" leaves them plain.
list(GET CPACK_EEPROM24C01_DATADIRS 0 configured)
list(GET CPACK_EEPROM24C01_DATADIRS 1 packaged)
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[1-9]")
list(FILTER pages INCLUDE REGEX "/man/man[1-9]/[^/]+$")
foreach(page IN LISTS pages)
  file(READ "${page}" text)
  string(REPLACE "${configured}/" "${packaged}/" text "${text}")
  file(WRITE "${page}" "${text}")
endforeach()
file(GLOB_RECURSE changelogs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/changelog")
list(FILTER changelogs INCLUDE REGEX "/doc/[^/]+/changelog$")
foreach(file IN LISTS pages changelogs)
  execute_process(COMMAND gzip -9n "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
