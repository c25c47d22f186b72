// SPDX-License-Identifier: GPL-3.0-or-later
// Texts that the menu and the command line share for device outcomes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "eeprom/device_action.h"

// The line test's cause for sda_not_driven or sda_held_low, without a newline.
const char* line_fault_text(device_result result);

// The no-acknowledge line, with its newline, on an adapter whose kernel runs
// the bus: it names the bus address the byte at offset went to. "" on the
// parallel port, whose front ends keep their own texts.
std::string adapter_no_acknowledge_text(const eeprom_device& device, int offset);

// Where in an action a signal came.
enum class action_phase {
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

// One line saying in which step the signal came and what was done by then,
// on stream after lead and any line of a board that could not keep what it
// got; then the program ends with 128 + the signal's number,
// as a shell reports a process its signal ended.
[[noreturn]] void exit_interrupted(std::FILE* stream, const char* lead, action_phase phase,
                                   const device_outcome& outcome, const action_sizes& sizes);
