// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/printable_name.h"

#include <cstdio>

namespace eeprom24c01 {

std::string printable_name(const std::string& name) {
    std::string shown;
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') shown += "\\n";
        else if (c == '\t') shown += "\\t";
        else if (c == '\\') shown += "\\\\";
        else if (c < 0x20 || c == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            shown += hex;
        } else shown += ch;
    }
    return shown;
}

}  // namespace eeprom24c01
