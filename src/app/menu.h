// Start-up, banner, start-up load and the main menu loop.
#pragma once

#include "device/eeprom_device.h"

// The whole interactive run, on the device already chosen. Returns the exit
// status, which is 0 on every path.
int run_console(eeprom_device& device);
