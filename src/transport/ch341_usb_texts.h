// SPDX-License-Identifier: GPL-3.0-or-later
// Why the CH341A programmer cannot be used, and what to do: one line each,
// with its newline, as the front ends print them.
#pragma once

#include <string>

namespace eeprom24c01 {

// Where the Debian package puts the rule that lets the seated user open the
// programmer.
inline constexpr const char* CH341_UDEV_RULE = "/usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules";

// None plugged in.
std::string ch341_none_plugged();
// Several plugged in and none named: found lists them ("1:2, 3:7").
std::string ch341_several(const std::string& found);
// None at the location asked for: found lists those plugged in.
std::string ch341_not_at(const std::string& asked, const std::string& found);
// The programmer (its name, "the CH341A (USB 1:2)") could not be opened or
// claimed: what libusb answered, as an errno-like code of its own.
enum class ch341_refusal { permission, busy, gone, driver, no_endpoints, other };
std::string ch341_refused(const std::string& programmer, ch341_refusal why, const std::string& detail = {});

}  // namespace eeprom24c01
