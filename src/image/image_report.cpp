// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_report.h"

#include <cstdio>

#include "text/address_text.h"
#include "image/digests.h"

namespace eeprom24c01 {

namespace {

bool differs(const sparse_image& expected, std::span<const std::uint8_t> read, std::uint32_t a) {
    return expected.covered[a] && expected.bytes[a] != read[a];
}

std::string byte_text(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

}  // namespace

std::string difference_list(const sparse_image& expected, std::span<const std::uint8_t> read) {
    std::string list;
    std::size_t count = 0;
    for (std::uint32_t a = 0; a < expected.size(); ++a) {
        if (!differs(expected, read, a)) continue;
        if (++count <= DIFFERENCES_SHOWN)
            list += address_text(a, expected.size()) + ": expected " + byte_text(expected.bytes[a]) + ", read " +
                    byte_text(read[a]) + "\n";
    }
    if (count == 0) return {};
    list += "Verify failed: " + std::to_string(count) + (count == 1 ? " byte differs" : " bytes differ");
    if (count > DIFFERENCES_SHOWN) list += "; " + std::to_string(DIFFERENCES_SHOWN) + " shown";
    return list + ".\n";
}

std::string blank_check_failure(std::span<const std::uint8_t> contents) {
    std::size_t count = 0;
    std::uint32_t first = 0;
    for (std::uint32_t a = 0; a < contents.size(); ++a) {
        if (contents[a] == 0xFF) continue;
        if (count++ == 0) first = a;
    }
    if (count == 0) return {};
    auto size = static_cast<std::uint32_t>(contents.size());
    return "Not blank: " + std::to_string(count) + (count == 1 ? " byte is" : " bytes are") + " not ff, the first at " +
           address_text(first, size) + ".\n";
}

std::string checksum_line(std::span<const std::uint8_t> contents) {
    char text[80];
    std::snprintf(text, sizeof text, "CRC-32 of the chip's %zu bytes: 0x%08x", contents.size(),
                  static_cast<unsigned>(crc32_of(contents)));
    return text;
}

}  // namespace eeprom24c01
