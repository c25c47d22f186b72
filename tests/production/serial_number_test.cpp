// SPDX-License-Identifier: GPL-3.0-or-later
// Serial fields, their stamps, and the serial file's session: locked for the
// action, moved on only by commit(), a second station waiting its turn.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "production/serial_number.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

using namespace std::chrono_literals;

TEST(SerialNumber, FieldsParseAndBadOnesSayWhy) {
    struct spec_case {
        const char* text;
        std::uint32_t address, length;
        serial_encoding encoding;
    };
    const spec_case good[] = {
        {"0x10:4", 0x10, 4, serial_encoding::big_endian},
        {"16:2:le", 16, 2, serial_encoding::little_endian},
        {"0x70:16:ascii", 0x70, 16, serial_encoding::ascii},
        {"0x7c:4:be", 0x7C, 4, serial_encoding::big_endian},
    };
    for (const spec_case& c : good) {
        serial_layout layout;
        ASSERT_EQ(parse_serial_layout(c.text, 128, layout), "") << c.text;
        EXPECT_EQ(layout.address, c.address);
        EXPECT_EQ(layout.length, c.length);
        EXPECT_EQ(layout.encoding, c.encoding);
    }
    const std::pair<const char*, const char*> bad[] = {
        {"0x10", "--serial takes ADDRESS:LENGTH[:FORMAT]"},
        {"0x10:4:bcd", "--serial takes ADDRESS:LENGTH[:FORMAT]"},
        {"010:x", "--serial takes ADDRESS:LENGTH[:FORMAT]"},
        {"0x10:9", "--serial: the length is 1 to 8 bytes for that format"},
        {"0x10:0:ascii", "--serial: the length is 1 to 20 bytes for that format"},
        {"0x7d:4", "--serial 0x7d:4 reaches past the chip's last address 0x7f"},
        {"0xffffffffffffffff:4", "--serial 0xffffffffffffffff:4 reaches past the chip's last address 0x7f"},
        {"0xffffffff:4", "--serial 0xffffffff:4 reaches past"}, {"1:0x100000001", "--serial: the length is 1 to 8"},
    };
    for (const auto& [text, error] : bad) {
        serial_layout layout;
        EXPECT_TRUE(parse_serial_layout(text, 128, layout).starts_with(error)) << text;
    }
}

TEST(SerialNumber, StampsInEachFormatAndRefusesWhatDoesNotFit) {
    struct stamp_case {
        serial_layout layout;
        std::uint64_t value;
        std::string bytes;  // at layout.address, or the refusal
    };
    const stamp_case cases[] = {
        {{2, 4, serial_encoding::big_endian}, 0x01020304, "\x01\x02\x03\x04"},
        {{2, 4, serial_encoding::little_endian}, 0x01020304, "\x04\x03\x02\x01"},
        {{2, 6, serial_encoding::ascii}, 42, "000042"},
        {{2, 8, serial_encoding::big_endian}, UINT64_MAX - 1, "\xff\xff\xff\xff\xff\xff\xff\xfe"},
        {{2, 2, serial_encoding::big_endian}, 70000, "Serial number 70000 does not fit in 2 bytes; nothing was written.\n"},
        {{2, 3, serial_encoding::ascii}, 1000,
         "Serial number 1000 does not fit in 3 bytes of digits; nothing was written.\n"},
    };
    for (const stamp_case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::string refusal = serial_fit_failure(c.layout, c.value);
        if (!refusal.empty()) {
            EXPECT_EQ(refusal, c.bytes);
            continue;
        }
        sparse_image image(16);
        stamp_serial(c.layout, c.value, image);
        EXPECT_EQ(std::string(image.bytes.begin() + 2, image.bytes.begin() + 2 + c.layout.length), c.bytes);
        EXPECT_EQ(image.covered_count(), c.layout.length);
        EXPECT_FALSE(image.covered[1] || image.covered[2 + c.layout.length]);
    }
}

TEST(SerialNumber, CommitMovesTheFileOnInItsOwnNotation) {
    const std::pair<std::string, std::string> cases[] = {
        {"0X09F", "0X0A0\n"}, {"0x0ff", "0x100\n"}, {std::string(37, '0') + "999", std::string(36, '0') + "1000\n"},
        {"41\n", "42\n"}, {"  0099 ", "0100\n"}, {"0x00ff\n", "0x0100\n"}, {"999", "1000\n"}};
    tool_dir dir;
    for (const auto& [before, after] : cases) {
        dir.put("serial", before);
        {
            serial_session session(dir.file("serial"));
            ASSERT_EQ(session.error(), "");
            EXPECT_EQ(session.commit(), "");
        }
        EXPECT_EQ(dir.get("serial"), after);
    }
    {
        serial_session uncommitted(dir.file("serial"));  // a failed board
        EXPECT_EQ(uncommitted.value(), 1000u);
    }
    EXPECT_EQ(dir.get("serial"), "1000\n");
}

TEST(SerialNumber, MissingOrBadFilesGiveNoNumber) {
    tool_dir dir;
    dir.put("words", "twelve\n");
    dir.put("empty", "");
    dir.put("long", std::string(SERIAL_FILE_MOST, ' ') + "1");
    dir.put("huge", "18446744073709551616\n");
    EXPECT_EQ(serial_session(dir.file("huge")).error(),
              "Serial file " + dir.file("huge") + " holds a number too large for 64 bits; nothing was written.\n");
    EXPECT_EQ(serial_session(dir.file("none")).error(),
              "Serial file " + dir.file("none") + " cannot be opened (No such file or directory); it must hold the next number.\n");
    for (const char* name : {"words", "empty", "long"})
        EXPECT_EQ(serial_session(dir.file(name)).error(),
                  "Serial file " + dir.file(name) + " does not hold a number (decimal, or hexadecimal after 0x).\n");
    dir.put("last", "0xffffffffffffffff\n");
    EXPECT_EQ(serial_session(dir.file("last")).error(), "Serial number 18446744073709551615 in " + dir.file("last") +
                                                            " has no successor that can be stored; nothing was written.\n");
}

TEST(SerialNumber, RestorePutsBackTheTextRead) {
    tool_dir dir;
    dir.put("serial", " 0x00ff \n");
    serial_session session(dir.file("serial"));
    ASSERT_EQ(session.commit(), "");
    EXPECT_EQ(session.value(), 0x100u);
    EXPECT_EQ(session.restore(), "");
    EXPECT_EQ(session.value(), 0xFFu);
    EXPECT_EQ(dir.get("serial"), " 0x00ff \n");
}

TEST(SerialNumber, ASecondStationWaitsItsTurnOrGivesUp) {
    tool_dir dir;
    dir.put("serial", "7\n");
    std::optional<serial_session> first(std::in_place, dir.file("serial"));
    ASSERT_EQ(first->error(), "");
    int told = 0;
    EXPECT_NE(serial_session(dir.file("serial"), 50ms, [&] { ++told; }).error().find("stayed locked by another station"),
              std::string::npos);
    EXPECT_EQ(told, 1);
    std::uint64_t second_value = 0;
    std::thread second([&] { second_value = serial_session(dir.file("serial"), 60s).value(); });
    EXPECT_EQ(first->commit(), "");
    first.reset();  // the first station lets go; only now can the second read the file
    second.join();
    EXPECT_EQ(second_value, 8u);
}

}  // namespace
