// SPDX-License-Identifier: GPL-3.0-or-later
// The menu's file dialogue: options 3 and 4 ask for a file name and save the
// image to it or load it from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace eeprom24c01 {

// Each asks for a file name; false when standard input ended instead. A save
// never writes over keep_off (the simulated chip's file), by any name.
bool save_buffer_to_file(std::span<const std::uint8_t> image, const std::string& keep_off = {});
bool read_custom_file(std::span<std::uint8_t> image);

}  // namespace eeprom24c01
