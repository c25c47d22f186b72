// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "image/image.h"

using namespace eeprom24c01;
namespace {

std::string dump_of(std::span<const std::uint8_t> buffer, dump_index format) {
    testing::internal::CaptureStdout();
    print_dump(buffer, format);
    return testing::internal::GetCapturedStdout();
}

TEST(Dump, EntriesAreEightCharactersWithNothingAfterTheLast) {
    std::uint8_t buffer[128] = {};
    buffer[1] = 0x0F;
    buffer[5] = 0xFF;
    buffer[127] = 0xAB;
    std::string dec = dump_of(buffer, dump_index::decimal);
    ASSERT_EQ(dec.size(), 1105u);
    EXPECT_EQ(dec.substr(0, 81), DUMP_HEADER);
    EXPECT_EQ(dec.substr(81, 16), "  0   0   1   f ");
    EXPECT_EQ(dec.substr(81 + 5 * 8, 8), "  5  ff ");
    EXPECT_EQ(dec.substr(81 + 127 * 8), "127  ab ");

    std::string hex = dump_of(buffer, dump_index::hexadecimal);
    ASSERT_EQ(hex.size(), 1105u);
    EXPECT_EQ(hex.substr(81 + 10 * 8, 8), "  a   0 ");
    EXPECT_EQ(hex.substr(81 + 127 * 8), " 7f  ab ");
}

}  // namespace
