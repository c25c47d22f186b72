// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, banner, start-up load and the main menu loop.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "device/eeprom_device.h"

namespace eeprom24c01 {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using default_image_file = std::unique_ptr<std::FILE, file_closer>;

// Opens dflt.dat before the device is made, so that a run without it makes
// nothing (not even a new simulated chip). Empty, once "file open failed."
// is printed, when it is missing or cannot be read.
default_image_file open_default_image();

// The whole interactive run, on the device already chosen, starting with
// the default image. chip_file: the simulated chip's file, which option 3
// must not write over ("" on a real port). Returns the exit status: 0, 1
// after a write the chip did not keep, or 128 + the signal that ended a
// device action.
int run_console(eeprom_device& device, default_image_file default_image, const std::string& chip_file = {});

}  // namespace eeprom24c01
