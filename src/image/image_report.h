// SPDX-License-Identifier: GPL-3.0-or-later
// The texts that compare an image with what a chip holds: the list of
// differences a failing verify shows, the blank check's summary and the
// checksum line. Pure functions; the front end prints them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/sparse_image.h"

namespace eeprom24c01 {

inline constexpr int DIFFERENCES_SHOWN = 16;

// One line per covered address that differs, the first 16 of them
// ("0x12: expected 3c, read ff"), then a count ("Verify failed: 20 bytes
// differ; 16 shown."),
// each line ending in a newline. Uncovered addresses are not compared. ""
// when nothing differs.
std::string difference_list(const sparse_image& expected, std::span<const std::uint8_t> read);
// "" when every byte is 0xFF, else the line "Not blank: 5 bytes are not ff, the first at 0x12.\n"
std::string blank_check_failure(std::span<const std::uint8_t> contents);
// "CRC-32 of the chip's 128 bytes: 0x1a2b3c4d"
std::string checksum_line(std::span<const std::uint8_t> contents);

}  // namespace eeprom24c01
