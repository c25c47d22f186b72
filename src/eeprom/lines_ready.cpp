// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/eeprom.h"
#include "util/interruption.h"

namespace eeprom24c01 {

device_outcome lines_ready(eeprom_device& device) {
    if (!device.has_line_test()) return {};
    int clocks = -1;
    device_outcome outcome = device.test_lines(clocks);
    if (outcome.result != device_result::done) {
        if (outcome.result != device_result::port_lost) device.idle();
    } else if (interruption_signal() != 0) {
        outcome.result = device_result::interrupted;
    }
    return outcome;
}

}  // namespace eeprom24c01
