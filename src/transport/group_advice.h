// SPDX-License-Identifier: GPL-3.0-or-later
// What a user refused a device file for want of permission should do.
#pragma once

#include <string>

// "Join its group G (sudo adduser $USER G), then log out and in again.": G
// owns the device file, or is usual_group when the file cannot be looked at.
// A device in group root gets a udev rule or the administrator instead.
std::string join_group_advice(const std::string& device, const char* usual_group);
