// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/device_action.h"

#include "util/interruption.h"

namespace eeprom24c01 {

device_outcome run_device_action(eeprom_device& device, const std::function<device_outcome()>& body) {
    interruption_scope noting;
    device_outcome outcome;
    // Where the signals are noted for longer than the action, one noted
    // before it leaves the port untouched.
    if (interruption_signal() == 0) {
        outcome = device.begin_action();
        if (outcome.result == device_result::done) {
            outcome = body();
            // A chip whose new contents were not kept: the action failed.
            if (device_outcome end = device.end_action(); end.result != device_result::done) outcome = end;
        }
    }
    if (int signal = interruption_signal()) {
        outcome.result = device_result::interrupted;
        outcome.signal = signal;
    }
    return outcome;
}

}  // namespace eeprom24c01
