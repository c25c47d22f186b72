// SPDX-License-Identifier: GPL-3.0-or-later
// The byte editor: menu option 2.
#pragma once

#include <cstdint>
#include <span>

namespace eeprom24c01 {

// False when standard input ended inside the dialogue: the program ends.
bool change_buffer_data(std::span<std::uint8_t> image);

}  // namespace eeprom24c01
