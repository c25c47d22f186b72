# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the files it staged: Debian ships manual pages gzipped,
# while "cmake --install" leaves them plain.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[1-9]")
list(FILTER pages INCLUDE REGEX "/man/man[1-9]/[^/]+$")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9n "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
