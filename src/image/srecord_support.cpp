// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/srecord_support.h"

#include <cstdio>

namespace eeprom24c01 {

void srecord_throwing_quit::message_v(const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    last_ = text;
    // The readers that skip lines say so in these words ("ignoring garbage lines").
    if (skipped_.empty() && last_.find("garbage") != std::string::npos) skipped_ = last_;
}

void srecord_throwing_quit::exit(int) { throw fault{last_}; }

}  // namespace eeprom24c01
