// SPDX-License-Identifier: GPL-3.0-or-later
// --chip, --page-size, --address and --clock: the part one run works on, and
// its clock, checked against the profile table before any port is touched.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "chip/chip_profile.h"

namespace eeprom24c01 {

struct chip_request {
    std::string name = "24c01";
    std::string page_size;  // "" keeps the profile's page
    std::string address;    // "" keeps 0x50
};

// Fills target from request. Returns "" or one line saying what is wrong.
std::string choose_chip(const chip_request& request, chip_target& target);
// The slowest --clock taken: slower still, a large part takes hours.
inline constexpr std::uint32_t MIN_CLOCK_HZ = 1000;
// "" or the line refusing --clock hz (0: not given) for part: too slow, or
// above the part's rating. Any back end whose clock the tool sets asks it.
std::string choose_clock(std::uint32_t hz, const chip_profile& part);
// "400 kHz", "1 MHz", "277.8 kHz": a clock as the messages name it.
std::string frequency_text(std::uint32_t hz);
// The table --chip list prints: one row a part.
void print_chip_list(std::FILE* out);

}  // namespace eeprom24c01
