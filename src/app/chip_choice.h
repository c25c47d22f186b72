// SPDX-License-Identifier: GPL-3.0-or-later
// --chip, --page-size and --address: the part one run works on, checked
// against the profile table before any port is touched.
#pragma once

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
// The table --chip list prints: one row a part.
void print_chip_list(std::FILE* out);

}  // namespace eeprom24c01
