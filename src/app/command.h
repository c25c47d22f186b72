// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line actions for scripts and production runs: read, write,
// verify, erase, blank check and the board check. Messages go to standard error, one line per
// outcome; standard output carries only data.
#pragma once

#include <string>

#include "app/options.h"
#include "app/progress.h"
#include "device/eeprom_device.h"
#include "image/load_file.h"
#include "production/production_log.h"

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_PORT = 3;  // the port could not be had: no board was reached

// "" or why the files the options name cannot be used together: no two of
// the trace, the --read target, the chip file and the image may be one file.
std::string overlapping_files(const tool_options& options);

// Runs options.action on the device; returns the exit status. A signal
// during a device action ends the program with 128 + it. A progress line on
// a terminal keeps the time of clock (the board's), or by default real time.
// production: what choose_production made of the options for this part.
// input: the file of -w or -v, read before the device was made so that a
// refused file leaves nothing made; null: it is read here. log: the --log
// file, opened before the device was made; null: no log.
int run_command(const tool_options& options, eeprom_device& device, const progress_clock& clock = {},
                const production_choice& production = {}, loaded_file* input = nullptr,
                const production_log* log = nullptr);
