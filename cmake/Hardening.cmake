# SPDX-License-Identifier: GPL-3.0-or-later
# The hardening Debian 12 builds its own packages with (dpkg-buildflags):
# the tool runs with access to the hardware's ports and reads files handed
# over from production lines. Each flag only where the compiler and linker
# take it. The sanitizer build keeps its own flags: ASan replaces the
# checked string and memory functions that _FORTIFY_SOURCE calls.
if(EEPROM_SANITIZE)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

# A position-independent executable, so that its addresses move every run.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
check_pie_supported(LANGUAGES CXX)

foreach(flag -fstack-protector-strong -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "EEPROM_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported})
    add_compile_options(${flag})
  endif()
endforeach()

# The checked variants of memcpy, read and the like, where the compiler knows
# a buffer's size. glibc does this only with optimisation, and the compiler
# may define its own level already.
add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")

# Relocations resolved at start and their table read-only after it.
check_linker_flag(CXX "LINKER:-z,relro,-z,now" EEPROM_HAS_RELRO_NOW)
if(EEPROM_HAS_RELRO_NOW)
  add_link_options("LINKER:-z,relro,-z,now")
endif()
