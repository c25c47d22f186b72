// SPDX-License-Identifier: GPL-3.0-or-later
// Serial numbers (or MAC addresses) stamped into each board's image: the
// field they take and their bytes there. The file they come from is in
// serial_file.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/sparse_image.h"

namespace eeprom24c01 {

enum class serial_encoding {
    big_endian,     // be: binary, most significant byte first (the default)
    little_endian,  // le
    ascii,          // decimal digits, zero-padded to the length
};

struct serial_layout {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    serial_encoding encoding = serial_encoding::big_endian;
};

// "ADDRESS:LENGTH[:FORMAT]", FORMAT be, le or ascii; the field must lie in a
// chip of chip_size bytes. "" or what is wrong with the option, in a few
// words, as usage errors are told.
std::string parse_serial_layout(std::string_view text, std::uint32_t chip_size, serial_layout& layout);
// "" when value can be stamped in the field, else the line saying why not.
std::string serial_fit_failure(const serial_layout& layout, std::uint64_t value);
// Writes value into image at the field, which becomes covered. The value must fit.
void stamp_serial(const serial_layout& layout, std::uint64_t value, sparse_image& image);

}  // namespace eeprom24c01
