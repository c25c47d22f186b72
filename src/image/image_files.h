// SPDX-License-Identifier: GPL-3.0-or-later
// The menu's raw image files: the load that options 4 and 7 use.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace eeprom24c01 {

// Reads up to buffer.size() bytes of the file into buffer; slots past a short file keep
// their values. The file is opened for reading only and never created. False
// when it cannot be opened or read; buffer is then untouched.
bool load_image_file(const std::string& name, std::span<std::uint8_t> buffer);

}  // namespace eeprom24c01
