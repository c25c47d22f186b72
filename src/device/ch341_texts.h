// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A's one-line texts, each with its newline where the front ends
// print it as it is.
#pragma once

#include <cstdint>
#include <string>

namespace eeprom24c01 {

// The link failed with error part way: the programmer (link.name()), the
// cause, and the last byte known written in this action (-1: none) of a
// part of part_size bytes.
std::string ch341_lost(const std::string& programmer, int error, long last_written, std::uint32_t part_size);
// For --check: the programmer and its clock.
std::string ch341_summary(const std::string& description, std::uint32_t clock_hz);

}  // namespace eeprom24c01
