// SPDX-License-Identifier: GPL-3.0-or-later
// The difference list, the blank check's summary and the digests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/digests.h"
#include "image/image_report.h"

using namespace eeprom24c01;
namespace {

std::span<const std::uint8_t> bytes_of(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(ImageReport, TwentyDifferencesShowSixteenAndTheCount) {
    sparse_image expected(128);
    for (std::uint32_t a = 0; a < 128; ++a) expected.set(a, static_cast<std::uint8_t>(a));
    std::vector<std::uint8_t> read = expected.bytes;
    for (std::uint32_t a = 100; a < 120; ++a) read[a] = 0xFF;
    std::string list = difference_list(expected, read);
    EXPECT_TRUE(list.starts_with("0x64: expected 64, read ff\n0x65: expected 65, read ff\n")) << list;
    EXPECT_TRUE(list.ends_with("0x73: expected 73, read ff\nVerify failed: 20 bytes differ; 16 shown.\n")) << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 17);
}

TEST(ImageReport, OnlyCoveredAddressesAreComparedAtTheChipsWidth) {
    sparse_image expected(512);
    expected.set(0x1F0, 0x3C);
    std::vector<std::uint8_t> read(512, 0x00);  // differs everywhere else too
    EXPECT_EQ(difference_list(expected, read), "0x1f0: expected 3c, read 00\nVerify failed: 1 byte differs.\n");
    read[0x1F0] = 0x3C;
    EXPECT_EQ(difference_list(expected, read), "");
}

TEST(ImageReport, BlankCheck) {
    std::vector<std::uint8_t> chip(256, 0xFF);
    EXPECT_EQ(blank_check_failure(chip), "");
    chip[0x05] = 0x00;
    chip[0xF0] = 0xFE;
    EXPECT_EQ(blank_check_failure(chip), "Not blank: 2 bytes are not ff, the first at 0x05.\n");
}

TEST(ImageReport, DigestsAreTheUsualOnes) {
    EXPECT_EQ(crc32_of(bytes_of("123456789")), 0xCBF43926u);
    EXPECT_EQ(checksum_line(std::vector<std::uint8_t>(128, 0xFF)), "CRC-32 of the chip's 128 bytes: 0x652d544c");
    EXPECT_EQ(sha256_hex(bytes_of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
