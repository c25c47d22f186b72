// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's actions as data, one row each: its option, its name in
// the log and in messages, how its read of the chip is shown and told when
// interrupted, what it takes and does. Adding an action is a row in the table
// (command.cpp, beside the functions) and its function there, with its value
// in tool_action.
#pragma once

#include <span>

#include "app/device_texts.h"
#include "app/options.h"
#include "app/progress.h"

namespace eeprom24c01 {

struct run_state;

struct action_row {
    tool_action action;
    const char* option;         // its long option: "read" is --read
    char letter;                // its short option, or 0
    const char* name;           // in the log and in messages: "blank-check"
    progress_phase read_shown;  // its read of the whole chip on the progress line
    action_phase read_told;     // and in the line of a signal that ended it
    bool takes_file;            // --read FILE, --write FILE, --verify FILE; and --format
    bool loads_image;           // its file is a load file, read before the port is touched
    bool writes_chip;           // it writes the chip: --all, and refused on a PC's SMBus
    bool stamps_serial;         // it may stamp a serial number, and skip its verify (-n)
    int (*run)(run_state&);
};

std::span<const action_row> action_rows();
// The row of a command-line action; nullptr for the menu, help and version.
const action_row* row_of(tool_action action);
// "--write or --erase": the options of the actions of which flag holds.
std::string actions_that(bool action_row::*flag);

}  // namespace eeprom24c01
