// SPDX-License-Identifier: GPL-3.0-or-later
// File names as printed in messages: one line per outcome holds only while a
// name cannot bring its own line break or terminal escape sequence.
#pragma once

#include <string>

namespace eeprom24c01 {

// name with each control character written as \n, \t, \\ or \xHH.
std::string printable_name(const std::string& name);

}  // namespace eeprom24c01
