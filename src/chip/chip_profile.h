// SPDX-License-Identifier: GPL-3.0-or-later
// The 24Cxx family as data: one row per part, and the one place where a byte
// offset into a part becomes the bytes that address it on the bus.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace eeprom24c01 {

// How a part is addressed after a start condition.
enum class addressing {
    // Control byte 1010 A2 A1 A0 R/W, then the word address. Parts with block
    // bits carry word-address bits 8 to 10 in A0 to A2 instead of pins.
    device_code,
    // The original 24C01: no control byte. The first byte is the 7-bit word
    // address followed by R/W.
    word_in_first_byte,
};

struct chip_profile {
    std::string_view name;     // "24c01" (generic) or "at24c01a" (an exact part)
    std::string_view maker;    // "" for a generic name
    std::uint32_t size;        // bytes
    std::uint16_t page_size;   // bytes one write transaction may hold
    std::uint8_t address_bytes;  // word-address bytes after the control byte: 0 to 2
    std::uint8_t block_bits;     // word-address bits carried in the control byte: 0 to 3
    addressing style;
    std::uint16_t write_cycle_ms;  // the datasheet's maximum tWR
    std::uint16_t max_clock_khz;   // the datasheet's fastest SCL at 5 V

    bool generic() const { return maker.empty(); }
};

// Every known part, generic names first, the default (24c01) at the front.
std::span<const chip_profile> chip_profiles();
const chip_profile& default_chip();
// The profile of that name (case-insensitive), or nullptr.
const chip_profile* find_chip(std::string_view name);
// The largest and the smallest page of the exact parts of a density: the
// bound for --page-size, and the page a generic simulated chip models.
std::uint16_t largest_page_of_size(std::uint32_t size);
std::uint16_t smallest_page_of_size(std::uint32_t size);

// The 7-bit bus address of a part whose chip-select pins are all low.
inline constexpr std::uint8_t BASE_BUS_ADDRESS = 0x50;

// A part as one run uses it: its profile, the page size writes use (the
// profile's or --page-size), and its 7-bit bus address (0x50 to 0x57; the
// bits that are block bits must be 0).
struct chip_target {
    const chip_profile* profile;
    std::uint16_t page_size;
    std::uint8_t bus_address = BASE_BUS_ADDRESS;

    std::uint32_t size() const { return profile->size; }
};

// What goes on the bus to reach one byte offset of a target.
struct chip_location {
    std::uint8_t first_byte;      // the control byte (R/W = 0), or for the
                                  // original 24C01 the word address and R/W = 0
    std::uint8_t word[2];         // word-address bytes after it, most significant first
    std::uint8_t word_bytes;      // how many of word[] are sent: 0, 1 or 2
};
chip_location locate(const chip_target& target, std::uint32_t offset);

}  // namespace eeprom24c01
