// SPDX-License-Identifier: GPL-3.0-or-later
// One device action from claim to release, and what came of it. The
// operations print nothing: the front ends turn outcomes into their texts.
#pragma once

#include <functional>

#include "device/eeprom_device.h"

namespace eeprom24c01 {

// Claims the device, runs body with the interrupting signals noted rather
// than fatal, and gives the device back. A board that could not keep what it
// got makes the outcome port_lost; a signal noted during the action makes it
// interrupted. A signal noted before it (by an enclosing scope) leaves the
// device untouched.
device_outcome run_device_action(eeprom_device& device, const std::function<device_outcome()>& body);

}  // namespace eeprom24c01
