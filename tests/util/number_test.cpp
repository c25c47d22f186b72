// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers from the command line, files and sysfs: no sign, space or octal, none that wraps.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "util/number.h"

using namespace eeprom24c01;
namespace {

template <typename T>
std::pair<number_reading, std::uint64_t> read_as(const std::string& text) {
    T value = 7;  // left alone unless a number fits
    return {parse_number(text, value), value};
}

TEST(Number, DecimalOrHexadecimalIntoItsOwnTypeAndNothingElse) {
    using enum number_reading;
    const std::tuple<std::string, int, number_reading, std::uint64_t> cases[] = {
        {"0", 8, number, 0}, {"010", 8, number, 10}, {"255", 8, number, 255}, {"256", 8, too_large, 7},
        {"0xFffF", 16, number, 0xFFFF}, {"0X10000", 16, too_large, 7}, {"4294967295", 32, number, UINT32_MAX},
        {"0x100000000", 32, too_large, 7}, {"18446744073709551615", 64, number, UINT64_MAX},
        {"18446744073709551616", 64, too_large, 7}, {std::string(40, '0') + "1000", 64, number, 1000},
        {"", 64, not_a_number, 7}, {"0x", 64, not_a_number, 7}, {"-1", 64, not_a_number, 7},
        {"+1", 64, not_a_number, 7}, {" 1", 64, not_a_number, 7}, {"1\n", 64, not_a_number, 7},
        {"0x-1", 64, not_a_number, 7}, {"12a", 64, not_a_number, 7}, {"99999999999999999999x", 64, not_a_number, 7}};
    for (const auto& [text, bits, reading, value] : cases)
        EXPECT_EQ(bits == 8 ? read_as<std::uint8_t>(text) : bits == 16 ? read_as<std::uint16_t>(text)
                  : bits == 32 ? read_as<std::uint32_t>(text) : read_as<std::uint64_t>(text),
                  std::pair(reading, value)) << text;
}

TEST(Number, ClockFrequenciesInHertzKilohertzOrMegahertz) {
    using enum number_reading;
    const std::tuple<std::string, number_reading, std::uint32_t> cases[] = {
        {"400k", number, 400000}, {"1M", number, 1000000}, {"100000", number, 100000}, {"0x10k", number, 16000},
        {"0", not_a_number, 7}, {"0k", not_a_number, 7}, {"k", not_a_number, 7}, {"1.5M", not_a_number, 7},
        {"400K", not_a_number, 7}, {"5000M", too_large, 7}, {"4294967296", too_large, 7}};
    for (const auto& [text, reading, hz] : cases) {
        std::uint32_t value = 7;
        EXPECT_EQ(std::pair(parse_frequency(text, value), value), std::pair(reading, hz)) << text;
    }
}

}  // namespace
