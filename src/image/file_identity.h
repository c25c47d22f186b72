// SPDX-License-Identifier: GPL-3.0-or-later
// Which file a name stands for, so that no output is written over an input,
// another output or the simulated chip.
#pragma once

#include <string>

namespace eeprom24c01 {

// A key equal for two names of one file: device and inode after following
// links for a regular file, the folder's real path and the name for a file
// not yet made. "-" is descriptor 0 (input) or 1: the key of the regular file
// it was redirected to, or else "standard input" or "standard output". ""
// for devices, FIFOs and the like, which may well be shared.
std::string file_identity(const std::string& name, bool input);
// True when both name one existing or new regular file.
bool same_file(const std::string& a, const std::string& b);

}  // namespace eeprom24c01
