// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/address_text.h"

#include <cstdio>

namespace eeprom24c01 {

std::string address_text(std::uint32_t address, std::uint32_t chip_size) {
    int width = 1;
    for (std::uint32_t last = chip_size > 0 ? chip_size - 1 : 0; last > 0xF; last >>= 4) ++width;
    width = width < 2 ? 2 : width;
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", width, static_cast<unsigned>(address));
    return text;
}

}  // namespace eeprom24c01
