// Texts that the menu and the command line share for device outcomes.
#pragma once

#include <cstddef>
#include <cstdio>

#include "device/device_outcome.h"

// "Interrupted after N of SIZE bytes." on stream, then the program ends with
// 128 + the signal's number, as a shell reports a process its signal ended.
[[noreturn]] void exit_interrupted(std::FILE* stream, const char* lead, const device_outcome& outcome,
                                   std::size_t size);
