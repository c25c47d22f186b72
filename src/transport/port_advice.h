// SPDX-License-Identifier: GPL-3.0-or-later
// What a user should do when a port device cannot be opened or claimed, in
// one table for both kinds of port: the parallel port through ppdev and an
// I2C adapter through i2c-dev.
#pragma once

#include <string>

namespace eeprom24c01 {

enum class port_kind { parallel, i2c };

// "Cannot use the parallel port DEV: <errno text>. <advice>\n": the advice
// for error, from the table. ports_beside: for a missing parallel port, the
// ports that do exist ("" when none are known).
std::string port_refusal(port_kind kind, const std::string& device, int error, const std::string& ports_beside = {});

// "Join its group G (sudo adduser $USER G), then log out and in again.": G
// owns the device file, or is usual_group when the file cannot be looked at.
// A device in group root gets a udev rule or the administrator instead.
std::string join_group_advice(const std::string& device, const char* usual_group);

}  // namespace eeprom24c01
