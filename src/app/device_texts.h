// SPDX-License-Identifier: GPL-3.0-or-later
// Texts that the menu and the command line share for device outcomes.
#pragma once

#include <cstddef>
#include <string>

#include "eeprom/device_action.h"

namespace eeprom24c01 {

// The line test's cause for sda_not_driven or sda_held_low, without a newline.
const char* line_fault_text(device_result result);

// How the parallel port's no-acknowledge line names the offset: as the
// command line does, as the menu's write does, or not at all (the menu's reads).
enum class offset_shown { hexadecimal, decimal, none };
// The no-acknowledge line, with its newline. On an adapter whose kernel runs
// the bus it names the bus address the byte at offset went to, and the byte.
std::string no_acknowledge_text(const eeprom_device& device, int offset, offset_shown shown);

// The line, with its newline, for a write whose byte the chip refused: which
// byte, at which address, and how much was written before it.
std::string refused_byte_text(const eeprom_device& device, const device_outcome& outcome);

// The bus's clock, without a newline: a real port's access time (and, with
// reach, the clock it can reach) and the clock the bus runs at; "" on a
// board with virtual time and no --clock.
std::string clock_text(const bus_speed& speed, bool reach);

// A write the chip acknowledged, but answered at once after, and did not keep.
inline constexpr const char* WRITE_PROTECTED_TEXT =
    "The chip stored none of the bytes and took no write cycle: is its write-protect pin (WP, pin 7) held high?";

// Where in an action a signal came.
enum class action_phase {
    starting,      // before the device action touched the port
    line_test,
    reading_held,  // what the chip holds, before a write; bytes: read
    writing,       // bytes: written, of sizes.to_write
    menu_writing,  // the menu's write of every byte, in its short text; bytes: written
    reading_back,  // after the write; bytes: read back
    reading,       // bytes: read
    comparing,     // reading for a comparison made afterwards; bytes: read
    checking,      // the board check
};

// The sizes the texts name: the part's, and how many bytes the write had to
// write and wrote (all of them, unless it skipped what the chip held).
struct action_sizes {
    std::size_t part;
    std::size_t to_write = part;
    std::size_t written = part;
};

// The line saying in which step a signal came and what was done by then,
// with its newline, after any line of a board that could not keep what it got.
std::string interrupted_text(action_phase phase, const device_outcome& outcome, const action_sizes& sizes);

}  // namespace eeprom24c01
