// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image.h"

#include <cstdio>

namespace eeprom24c01 {

void print_dump_entry(int index, std::uint8_t value, dump_index format) {
    std::printf(format == dump_index::decimal ? "%3d %3x " : "%3x %3x ", index, value);
}

void print_dump(std::span<const std::uint8_t> image, dump_index format) {
    std::fputs(DUMP_HEADER, stdout);
    for (std::size_t i = 0; i < image.size(); ++i) print_dump_entry(static_cast<int>(i), image[i], format);
}

int first_difference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<int>(i);
    return -1;
}

}  // namespace eeprom24c01
