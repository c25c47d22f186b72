// SPDX-License-Identifier: GPL-3.0-or-later
// Offsets into each kind of part become the right bytes on the bus, and the
// table answers the questions the options ask of it.
#include <gtest/gtest.h>

#include "chip/chip_profile.h"

using namespace eeprom24c01;
namespace {

struct location_case {
    const char* chip;
    std::uint32_t offset;
    std::uint8_t bus_address;
    std::uint8_t first_byte;
    std::uint8_t word_bytes;
    std::uint8_t word0, word1;
};

TEST(ChipProfile, LocateTranslatesOffsetsForEveryAddressingStyle) {
    const location_case cases[] = {
        {"24c01", 0x7F, 0x50, 0xA0, 1, 0x7F, 0},    // the board's part
        {"24c04", 0x1FF, 0x52, 0xA6, 1, 0xFF, 0},   // A0 is address bit 8
        {"24c16", 0x7F0, 0x50, 0xAE, 1, 0xF0, 0},   // A2..A0 are bits 10..8
        {"24c256", 0x1234, 0x57, 0xAE, 2, 0x12, 0x34},
        {"at24c01", 0x05, 0x50, 0x0A, 0, 0, 0},     // no device code
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        const chip_profile* p = find_chip(c.chip);
        ASSERT_NE(p, nullptr);
        chip_location at = locate({p, p->page_size, c.bus_address}, c.offset);
        EXPECT_EQ(at.first_byte, c.first_byte);
        ASSERT_EQ(at.word_bytes, c.word_bytes);
        if (c.word_bytes > 0) {
            EXPECT_EQ(at.word[0], c.word0);
        }
        if (c.word_bytes > 1) {
            EXPECT_EQ(at.word[1], c.word1);
        }
    }
}

TEST(ChipProfile, NamesAndPageBounds) {
    EXPECT_EQ(&default_chip(), find_chip("24C01"));
    EXPECT_EQ(default_chip().page_size, 1);
    EXPECT_EQ(find_chip("24c03"), nullptr);
    EXPECT_EQ(largest_page_of_size(128), 16);
    EXPECT_EQ(smallest_page_of_size(128), 8);
    EXPECT_EQ(largest_page_of_size(65536), 128);
    for (const chip_profile& p : chip_profiles()) {
        SCOPED_TRACE(std::string(p.name));
        EXPECT_EQ(p.page_size & (p.page_size - 1), 0) << "a power of two";
        EXPECT_EQ(p.size % p.page_size, 0u);
        if (p.generic()) {
            EXPECT_EQ(p.page_size, 1);
        }
    }
}

}  // namespace
