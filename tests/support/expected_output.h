// SPDX-License-Identifier: GPL-3.0-or-later
// What the tool prints, built up independently for byte-for-byte checks.
#pragma once

#include <cstdio>
#include <string>

#include "image/digests.h"

namespace eeprom24c01 {

inline const std::string BANNER_TEXT =
    "                       QUELOR COMMUNICATIONS\n"
    "                       7 Harbour Lane, Porthbrook\n"
    "                       TEL: 01632 960418\n"
    "                         P. Ansel 6/2000 V1.0\n\n\n"
    "                       24C01 EEPROM PROGRAMMER\n\n"
    "Connect a DB25 cable from parallel printer port to ZQ7031A demo board.\n"
    "Set printer port to NORMAL mode.\n\n\n"
    "Push ENTER to continue.\n";

inline const std::string MENU_TEXT =
    "\n\nEnter Option:\n1. Write EEPROM\n2. Change buffer data\n3. Save buffer to file (Enter file name)\n"
    "4. Read custom file\n5. Read EEPROM to buffer \n6. Verify EEPROM\n7. Program default values\n8. Exit\n";

inline const std::string HEADER_TEXT =
    " #  data #  data #  data #  data #  data #  data #  data #  data #  data #  data\n";

// image: 128 bytes.
inline std::string dump_text(const std::string& image, bool hex_index = false) {
    std::string out = HEADER_TEXT;
    char entry[16];
    for (int i = 0; i < 128; ++i) {
        std::snprintf(entry, sizeof entry, hex_index ? "%3x %3x " : "%3d %3x ", i,
                      static_cast<unsigned char>(image[static_cast<std::size_t>(i)]));
        out += entry;
    }
    return out;
}

// Everything up to and including the first menu, for a default file image.
inline std::string startup_text(const std::string& image) {
    return BANNER_TEXT + "Contents of default data:\n" + dump_text(image, true) + MENU_TEXT;
}

// What start-up loads from a default file of these bytes.
inline std::string loaded_image(const std::string& file) {
    std::string image = file.substr(0, 128);
    image.resize(128, '\xff');
    return image;
}

inline std::string counting_image(int start = 0) {
    std::string image;
    for (int i = 0; i < 128; ++i) image.push_back(static_cast<char>(start + i));
    return image;
}

// The big-endian number a production test's boards have at 0x10 (--serial 0x10:4).
inline std::uint32_t serial_in(const std::string& chip) {
    std::uint32_t value = 0;
    for (int i = 0x10; i < 0x14; ++i) value = value << 8 | static_cast<std::uint8_t>(chip[i]);
    return value;
}

inline std::string repeat(const std::string& s, int times) {
    std::string r;
    for (int i = 0; i < times; ++i) r += s;
    return r;
}

inline const std::string VERIFY_ALL_OK = repeat("Verify O.K.\n", 128);

// The checksum line that follows a good read, write or verify of contents.
inline std::string crc_line(const std::string& contents) {
    char line[64];
    std::snprintf(line, sizeof line, "CRC-32 of the chip's %zu bytes: 0x%08x\n", contents.size(),
                  static_cast<unsigned>(
                      crc32_of({reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()})));
    return line;
}

}  // namespace eeprom24c01
