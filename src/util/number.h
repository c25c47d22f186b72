// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the tool takes them from the command line, files and sysfs:
// decimal, or hexadecimal after 0x or 0X. No sign and no white space, and a
// leading 0 is not octal ("010" is ten): what a technician types means what
// it says, and a number too large for its type is refused, never wrapped.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <string_view>

namespace eeprom24c01 {

enum class number_reading { number, not_a_number, too_large };

inline bool has_hexadecimal_prefix(std::string_view text) { return text.starts_with("0x") || text.starts_with("0X"); }

// Sets value only when text is a number that fits in it.
template <std::unsigned_integral T>
number_reading parse_number(std::string_view text, T& value) {
    int base = 10;
    if (has_hexadecimal_prefix(text)) {
        text.remove_prefix(2);
        base = 16;
    }
    const char* end = text.data() + text.size();
    // from_chars takes no sign, space or prefix itself.
    T parsed = 0;
    auto [stop, error] = std::from_chars(text.data(), end, parsed, base);
    if (text.empty() || stop != end || error == std::errc::invalid_argument) return number_reading::not_a_number;
    if (error == std::errc::result_out_of_range) return number_reading::too_large;
    value = parsed;
    return number_reading::number;
}

// A bus clock as typed: hertz, or a whole number of kilohertz or megahertz
// with k or M after it ("400k", "1M", "100000"). Sets hz only for a number
// above 0 that fits.
inline number_reading parse_frequency(std::string_view text, std::uint32_t& hz) {
    std::uint32_t scale = 1;
    if (text.ends_with('k')) scale = 1000;
    if (text.ends_with('M')) scale = 1000000;
    if (scale != 1) text.remove_suffix(1);
    std::uint32_t value = 0;
    number_reading reading = parse_number(text, value);
    if (reading != number_reading::number) return reading;
    if (value == 0) return number_reading::not_a_number;
    if (value > UINT32_MAX / scale) return number_reading::too_large;
    hz = value * scale;
    return number_reading::number;
}

}  // namespace eeprom24c01
