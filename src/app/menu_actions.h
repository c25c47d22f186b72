// SPDX-License-Identifier: GPL-3.0-or-later
// The menu's device actions, options 1, 5, 6 and 7: each runs one device
// action and prints the menu's texts for what came of it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "device/eeprom_device.h"

namespace eeprom24c01 {

// What the menu works on: the device and the image of the whole part.
struct menu_session {
    explicit menu_session(eeprom_device& on)
        : device(on), image(on.target().size()), readback(on.target().size()) {}

    eeprom_device& device;
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> readback;  // what verify reads the chip into
    // Set when a signal ended an action: the status the program ends with.
    std::optional<int> ending;
    // A write the chip did not keep although nothing else said so: the
    // session then ends with status 1.
    bool write_not_kept = false;
};

void write_eeprom(menu_session& session);
void read_eeprom_to_buffer(menu_session& session);
void verify_eeprom(menu_session& session);
void program_default_values(menu_session& session);

}  // namespace eeprom24c01
