// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/serial_number.h"

#include "text/address_text.h"
#include "util/number.h"

namespace eeprom24c01 {

namespace {

constexpr std::uint32_t MAX_BINARY_LENGTH = 8;   // a 64-bit value
constexpr std::uint32_t MAX_ASCII_LENGTH = 20;   // the digits of 2^64 - 1

std::uint32_t decimal_digits(std::uint64_t value) {
    std::uint32_t digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

bool parse_encoding(std::string_view name, serial_encoding& encoding) {
    if (name == "be") encoding = serial_encoding::big_endian;
    else if (name == "le") encoding = serial_encoding::little_endian;
    else if (name == "ascii") encoding = serial_encoding::ascii;
    else return false;
    return true;
}

}  // namespace

std::string parse_serial_layout(std::string_view text, std::uint32_t chip_size, serial_layout& layout) {
    const std::string usage =
        "--serial takes ADDRESS:LENGTH[:FORMAT], FORMAT be, le or ascii (such as 0x10:4 or 0x10:8:ascii)";
    std::size_t first = text.find(':');
    if (first == std::string_view::npos) return usage;
    std::size_t second = text.find(':', first + 1);
    std::string_view length_text = text.substr(first + 1, second == std::string_view::npos ? second : second - first - 1);
    serial_layout parsed;
    if (second != std::string_view::npos && !parse_encoding(text.substr(second + 1), parsed.encoding)) return usage;
    const number_reading address = parse_number(text.substr(0, first), parsed.address);
    const number_reading length = parse_number(length_text, parsed.length);
    if (address == number_reading::not_a_number || length == number_reading::not_a_number) return usage;
    std::uint32_t most = parsed.encoding == serial_encoding::ascii ? MAX_ASCII_LENGTH : MAX_BINARY_LENGTH;
    if (length == number_reading::too_large || parsed.length < 1 || parsed.length > most)
        return "--serial: the length is 1 to " + std::to_string(most) + " bytes for that format";
    // Compared so that no sum can wrap.
    if (address == number_reading::too_large || parsed.address >= chip_size || parsed.length > chip_size - parsed.address)
        return "--serial " + std::string(text) + " reaches past the chip's last address " +
               address_text(chip_size - 1, chip_size);
    layout = parsed;
    return {};
}

std::string serial_fit_failure(const serial_layout& layout, std::uint64_t value) {
    bool fits = layout.encoding == serial_encoding::ascii ? decimal_digits(value) <= layout.length
                : layout.length >= MAX_BINARY_LENGTH     ? true
                                                       : value >> (8 * layout.length) == 0;
    if (fits) return {};
    return "Serial number " + std::to_string(value) + " does not fit in " + std::to_string(layout.length) +
           (layout.length == 1 ? " byte" : " bytes") + (layout.encoding == serial_encoding::ascii ? " of digits" : "") +
           "; nothing was written.\n";
}

void stamp_serial(const serial_layout& layout, std::uint64_t value, sparse_image& image) {
    for (std::uint32_t i = 0; i < layout.length; ++i) {
        // i counts from the field's last byte, the least significant place.
        std::uint32_t at = layout.address + layout.length - 1 - i;
        if (layout.encoding == serial_encoding::little_endian) at = layout.address + i;
        std::uint8_t byte = layout.encoding == serial_encoding::ascii ? static_cast<std::uint8_t>('0' + value % 10)
                                                                    : static_cast<std::uint8_t>(value & 0xFF);
        value = layout.encoding == serial_encoding::ascii ? value / 10 : value >> 8;
        image.set(at, byte);
    }
}

}  // namespace eeprom24c01
