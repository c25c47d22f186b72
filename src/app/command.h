// The command-line actions for scripts and production runs: read, write,
// verify and the board check. Messages go to standard error, one line per
// outcome; standard output carries only data.
#pragma once

#include "app/options.h"
#include "device/eeprom_device.h"

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

// Runs options.action on the device; returns the exit status. A signal
// during a device action ends the program with 128 + it.
int run_command(const tool_options& options, eeprom_device& device);
