// SPDX-License-Identifier: GPL-3.0-or-later
// The first byte after a start: device code, select or block bits, R/W.
#pragma once

#include <cstdint>

#include "chip/chip_profile.h"

namespace eeprom24c01 {

inline constexpr std::uint8_t READ_BIT = 0x01;

// The byte that opens a write to offset; READ_BIT turns the same
// transaction round to reading.
inline std::uint8_t write_byte_for(const chip_target& target, std::uint32_t offset) {
    return locate(target, offset).first_byte;
}

}  // namespace eeprom24c01
