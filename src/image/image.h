// SPDX-License-Identifier: GPL-3.0-or-later
// The one way an image is shown on the console, and how two are compared.
// An image is the whole part, slot i holding the byte at offset i.
#pragma once

#include <cstdint>
#include <span>

namespace eeprom24c01 {

inline constexpr const char* DEFAULT_IMAGE_FILE = "dflt.dat";

enum class dump_index { decimal, hexadecimal };

inline constexpr const char* DUMP_HEADER =
    " #  data #  data #  data #  data #  data #  data #  data #  data #  data #  data\n";

// One 8-character entry, no line break: an 80-column console wraps the
// entries into rows of ten under the header.
void print_dump_entry(int index, std::uint8_t value, dump_index format);
// The header and every entry; nothing after the last entry.
void print_dump(std::span<const std::uint8_t> image, dump_index format);

// The first slot at which a and b (of one size) differ, or -1 when all are equal.
int first_difference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

}  // namespace eeprom24c01
