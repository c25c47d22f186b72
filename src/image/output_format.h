// SPDX-License-Identifier: GPL-3.0-or-later
// The formats -r writes: raw bytes, or a load file written by libsrecord.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace eeprom24c01 {

enum class output_format { raw, ihex, srec, ti_txt, hexdump };

// "raw", "ihex", "srec", "ti-txt", "hexdump"; nullopt for any other name,
// also for a format -r does not write (file_format.h).
std::optional<output_format> parse_output_format(std::string_view name);
// The format a file name's extension implies (file_format.h); raw for every
// other name.
output_format implied_output_format(std::string_view file_name);

struct rendered_image {
    int error = 0;  // 0, or the errno of the call that kept it from being written
    std::vector<std::uint8_t> bytes;
};
// The chip's contents, address 0 on, as a file of that format.
rendered_image render_image(std::span<const std::uint8_t> contents, output_format format);

}  // namespace eeprom24c01
