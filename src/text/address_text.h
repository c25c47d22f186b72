// SPDX-License-Identifier: GPL-3.0-or-later
// Chip addresses as messages show them: hexadecimal, as wide as the chip's
// last address, so that the lines of a list line up: 0x05 on a 24c01,
// 0x005 on a 24c04, 0x0005 on a 24c64.
#pragma once

#include <cstdint>
#include <string>

namespace eeprom24c01 {

std::string address_text(std::uint32_t address, std::uint32_t chip_size);

}  // namespace eeprom24c01
