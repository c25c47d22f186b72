// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line actions for scripts and production runs: read, write,
// verify, erase, blank check and the board check. Messages go to standard error, one line per
// outcome; standard output carries only data.
#pragma once

#include <string>

#include "app/options.h"
#include "app/progress.h"
#include "bus/trace.h"
#include "device/eeprom_device.h"
#include "image/load_file.h"
#include "production/production_log.h"

namespace eeprom24c01 {

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_PORT = 3;  // the port could not be had: no board was reached

// "" or why the files the options name cannot be used together: no two of
// the trace, the --read target, the chip file and the image may be one file.
std::string overlapping_files(const tool_options& options);

// What a run brings besides its options and device. All may be left out.
struct command_run {
    // The progress line's clock (the board's); {}: real time.
    progress_clock clock;
    // What choose_production made of the options for this part.
    production_choice production;
    // The file of -w or -v, read before the device was made so that a
    // refused file leaves nothing made; null: it is read here.
    loaded_file* input = nullptr;
    // The --log file, opened before the device was made; null: no log.
    production_log* log = nullptr;
    // The run's trace, closed and checked before the run is settled.
    bus_trace* trace = nullptr;
    // The line of a problem found before the device was made: said, logged,
    // status 1.
    std::string refusal;
};

// Runs options.action on the device and settles the run (run_ending.h);
// returns the exit status, 128 + the signal's number for a run a signal
// ended. Nothing here ends the program.
int run_command(const tool_options& options, eeprom_device& device, const command_run& run = {});

}  // namespace eeprom24c01
