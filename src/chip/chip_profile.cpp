// SPDX-License-Identifier: GPL-3.0-or-later
#include "chip/chip_profile.h"

#include <algorithm>
#include <cctype>

namespace eeprom24c01 {

namespace {

using enum addressing;

// Page sizes, write-cycle times and the fastest clock at 5 V from each
// maker's datasheet. The generic names write one byte at a time, which every
// part accepts, and run no faster than the first 24Cxx parts' 100 kHz. Where
// a name covers several generations or voltage grades, the slowest rating.
constexpr chip_profile PROFILES[] = {
    // name        maker        size   page ab bb style                tWR   kHz
    {"24c01",     "",          128,     1, 1, 0, device_code,         10,  100},
    {"24c02",     "",          256,     1, 1, 0, device_code,         10,  100},
    {"24c04",     "",          512,     1, 1, 1, device_code,         10,  100},
    {"24c08",     "",          1024,    1, 1, 2, device_code,         10,  100},
    {"24c16",     "",          2048,    1, 1, 3, device_code,         10,  100},
    {"24c32",     "",          4096,    1, 2, 0, device_code,         10,  100},
    {"24c64",     "",          8192,    1, 2, 0, device_code,         10,  100},
    {"24c128",    "",          16384,   1, 2, 0, device_code,         10,  100},
    {"24c256",    "",          32768,   1, 2, 0, device_code,         10,  100},
    {"24c512",    "",          65536,   1, 2, 0, device_code,         10,  100},
    {"at24c01",   "Atmel",     128,     4, 0, 0, word_in_first_byte,  10,  100},
    {"at24c01a",  "Atmel",     128,     8, 1, 0, device_code,          5,  400},
    {"at24c02",   "Atmel",     256,     8, 1, 0, device_code,          5,  400},
    {"at24c04",   "Atmel",     512,    16, 1, 1, device_code,          5,  400},
    {"at24c08",   "Atmel",     1024,   16, 1, 2, device_code,          5,  400},
    {"at24c16",   "Atmel",     2048,   16, 1, 3, device_code,          5,  400},
    {"at24c32",   "Atmel",     4096,   32, 2, 0, device_code,         10,  400},
    {"at24c64",   "Atmel",     8192,   32, 2, 0, device_code,         10,  400},
    {"at24c128",  "Atmel",     16384,  64, 2, 0, device_code,          5, 1000},
    {"at24c256",  "Atmel",     32768,  64, 2, 0, device_code,          5, 1000},
    {"at24c512",  "Atmel",     65536, 128, 2, 0, device_code,          5, 1000},
    {"24lc01b",   "Microchip", 128,     8, 1, 0, device_code,          5,  400},
    {"24lc02b",   "Microchip", 256,     8, 1, 0, device_code,          5,  400},
    {"24lc04b",   "Microchip", 512,    16, 1, 1, device_code,          5,  400},
    {"24lc08b",   "Microchip", 1024,   16, 1, 2, device_code,          5,  400},
    {"24lc16b",   "Microchip", 2048,   16, 1, 3, device_code,          5,  400},
    {"24lc32a",   "Microchip", 4096,   32, 2, 0, device_code,          5,  400},
    {"24lc64",    "Microchip", 8192,   32, 2, 0, device_code,          5,  400},
    {"24lc128",   "Microchip", 16384,  64, 2, 0, device_code,          5,  400},
    {"24lc256",   "Microchip", 32768,  64, 2, 0, device_code,          5,  400},
    {"24lc512",   "Microchip", 65536, 128, 2, 0, device_code,          5,  400},
    {"m24c01",    "ST",        128,    16, 1, 0, device_code,          5,  400},
    {"m24c02",    "ST",        256,    16, 1, 0, device_code,          5,  400},
    {"m24c04",    "ST",        512,    16, 1, 1, device_code,          5,  400},
    {"m24c08",    "ST",        1024,   16, 1, 2, device_code,          5,  400},
    {"m24c16",    "ST",        2048,   16, 1, 3, device_code,          5,  400},
    {"m24c32",    "ST",        4096,   32, 2, 0, device_code,          5,  400},
    {"m24c64",    "ST",        8192,   32, 2, 0, device_code,          5,  400},
    {"m24128",    "ST",        16384,  64, 2, 0, device_code,          5,  400},
    {"m24256",    "ST",        32768,  64, 2, 0, device_code,          5,  400},
    {"m24512",    "ST",        65536, 128, 2, 0, device_code,          5,  400},
};

bool same_name(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::span<const chip_profile> chip_profiles() { return PROFILES; }

const chip_profile& default_chip() { return PROFILES[0]; }

const chip_profile* find_chip(std::string_view name) {
    for (const chip_profile& p : PROFILES)
        if (same_name(p.name, name)) return &p;
    return nullptr;
}

std::uint16_t largest_page_of_size(std::uint32_t size) {
    std::uint16_t page = 1;
    for (const chip_profile& p : PROFILES)
        if (!p.generic() && p.size == size) page = std::max(page, p.page_size);
    return page;
}

std::uint16_t smallest_page_of_size(std::uint32_t size) {
    std::uint16_t page = 0;
    for (const chip_profile& p : PROFILES)
        if (!p.generic() && p.style == addressing::device_code && p.size == size)
            page = page == 0 ? p.page_size : std::min(page, p.page_size);
    return page == 0 ? 1 : page;
}

chip_location locate(const chip_target& target, std::uint32_t offset) {
    const chip_profile& p = *target.profile;
    chip_location at{};
    if (p.style == addressing::word_in_first_byte) {
        at.first_byte = static_cast<std::uint8_t>((offset & 0x7F) << 1);
        return at;
    }
    std::uint32_t block = (offset >> (8 * p.address_bytes)) & ((1u << p.block_bits) - 1);
    at.first_byte = static_cast<std::uint8_t>(((target.bus_address | block) << 1) & 0xFE);
    at.word_bytes = p.address_bytes;
    if (p.address_bytes == 2) {
        at.word[0] = static_cast<std::uint8_t>(offset >> 8);
        at.word[1] = static_cast<std::uint8_t>(offset);
    } else {
        at.word[0] = static_cast<std::uint8_t>(offset);
    }
    return at;
}

}  // namespace eeprom24c01
