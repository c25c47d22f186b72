// SPDX-License-Identifier: GPL-3.0-or-later
// Serial fields, their stamps, and the serial file: a number taken under its
// lock, given back to be taken first, a second station waiting its turn.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <thread>

#include "production/serial_file.h"
#include "production/serial_number.h"
#include "support/run_tool.h"
#include "util/unique_fd.h"

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

std::uint64_t take(const std::string& path, std::string& problem, const lock_wait& wait = {}) {
    std::uint64_t value = 0;
    problem = take_serial_number(path, wait, value);
    return value;
}

TEST(SerialFile, TakingMovesTheFileOnInItsOwnNotationAndGivingBackPutsTheNumberFirst) {
    const std::pair<std::string, std::string> cases[] = {
        {"0X09F", "0X0A0\n"}, {"0x0ff", "0x100\n"}, {std::string(37, '0') + "999", std::string(36, '0') + "1000\n"},
        {"41\n", "42\n"}, {"  0099 ", "0100\n"}, {"0x00ff\n", "0x0100\n"}, {"999", "1000\n"},
        {"1008\ngiven back: 1005 1003\n", "1008\ngiven back: 1005\n"}, {"0x0a\n\ngiven back:\n", "0x0b\n"}};
    tool_dir dir;
    std::string problem;
    for (const auto& [before, after] : cases) {
        dir.put("serial", before);
        serial_numbers numbers;
        ASSERT_EQ(read_serial_numbers(before, numbers), "");
        const std::uint64_t value = take(dir.file("serial"), problem);
        EXPECT_EQ(problem, "");
        EXPECT_EQ(value, numbers.given_back.empty() ? numbers.next : *numbers.given_back.begin());
        EXPECT_EQ(dir.get("serial"), after);
    }
    // A failed board's number comes first for the next one; given back just
    // below the next number, it becomes the next number again.
    dir.put("serial", "1008\ngiven back: 1005\n");
    const std::pair<std::uint64_t, const char*> given_back[] = {
        {1007, "1007\ngiven back: 1005\n"}, {1006, "1005\n"}, {1003, "1005\ngiven back: 1003\n"}};
    for (const auto& [value, after] : given_back) {
        EXPECT_EQ(give_back_serial_number(dir.file("serial"), value, {}), "");
        EXPECT_EQ(dir.get("serial"), after);
    }
}

TEST(SerialFile, MissingOrBadFilesGiveNoNumber) {
    const std::string not_a_number = "does not hold a number (decimal, or hexadecimal after 0x)";
    const std::string stray = "has a line other than the next number and one \"given back:\" line of numbers below it";
    const std::pair<std::string, std::string> cases[] = {
        {"twelve\n", not_a_number}, {"", not_a_number}, {std::string(SERIAL_FILE_MOST, ' ') + "1", not_a_number},
        {"18446744073709551616\n", "holds a number too large for 64 bits"}, {"1000\ngiven back: 1000\n", stray},
        {"1000\n999\n", stray}};
    tool_dir dir;
    std::string problem;
    for (const auto& [text, why] : cases) {
        dir.put("serial", text);
        take(dir.file("serial"), problem);
        EXPECT_EQ(problem, "Serial file " + dir.file("serial") + " " + why + "; nothing was written.\n");
        EXPECT_EQ(dir.get("serial"), text);
    }
    take(dir.file("none"), problem);
    EXPECT_EQ(problem, "Serial file " + dir.file("none") + " cannot be opened (No such file or directory); nothing was written.\n");
    dir.put("last", "0xffffffffffffffff\n");
    take(dir.file("last"), problem);
    EXPECT_EQ(problem, "Serial number 18446744073709551615 in " + dir.file("last") +
                           " has no successor that can be stored; nothing was written.\n");
}

TEST(SerialFile, ASecondStationWaitsItsTurnOrGivesUpAndAReplacedFileIsLockedAgain) {
    tool_dir dir;
    dir.put("serial", "7\n");
    std::optional<unique_fd> first(std::in_place, open(dir.file("serial").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_EQ(flock(first->get(), LOCK_EX), 0);
    int told = 0;
    std::string problem;
    take(dir.file("serial"), problem, {1500ms, [&] { ++told; }, {}});
    EXPECT_EQ(problem, "Serial file " + dir.file("serial") +
                           " stayed locked by another station for 1 s; nothing was written: try again when it is free.\n");
    EXPECT_EQ(told, 1);
    // An editor saves the file under its name while the first station holds it.
    std::uint64_t second_value = 0;
    std::string second_problem;
    std::thread second([&] { second_value = take(dir.file("serial"), second_problem, {60s, {}, {}}); });
    std::this_thread::sleep_for(50ms);
    dir.put("edited", "20\n");
    ASSERT_EQ(rename(dir.file("edited").c_str(), dir.file("serial").c_str()), 0);
    first.reset();  // the first station lets go of the file that was replaced
    second.join();
    EXPECT_EQ(second_problem, "");
    EXPECT_EQ(second_value, 20u);
    EXPECT_EQ(dir.get("serial"), "21\n");
}

}  // namespace
