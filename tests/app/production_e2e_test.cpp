// SPDX-License-Identifier: GPL-3.0-or-later
// Production runs through the built tool on simulated boards: serial numbers
// that move on only after a good board, also with two stations at once; the
// log's line per action; erase, blank check and the list of differences.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>

#include "image/digests.h"
#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

std::vector<std::string> board(const std::string& chip, std::initializer_list<std::string> more,
                               const std::string& log = "log.csv") {
    std::vector<std::string> args{"--sim", chip, "-w", "image.bin", "--serial", "0x10:4", "--serial-file", "serial.txt",
                                  "--log", log};
    args.insert(args.end(), more);
    return args;
}

std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) rows.back().push_back(field);
    }
    return rows;
}

TEST(Production, SerialNumbersMoveOnOnlyAfterGoodBoardsAndTheLogHasEveryAction) {
    tool_dir dir;
    dir.put("image.bin", counting_image());
    dir.put("serial.txt", "1000\n");
    for (const char* chip : {"b1.bin", "b2.bin", "b3.bin"}) {
        tool_run r = dir.run(board(chip, {}), "");
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_EQ(serial_in(dir.get("b1.bin")), 1000u);
    EXPECT_EQ(dir.get("b2.bin").substr(0x10, 4), std::string("\x00\x00\x03\xe9", 4));
    EXPECT_EQ(serial_in(dir.get("b3.bin")), 1002u);
    EXPECT_EQ(dir.get("b3.bin").substr(0x14), counting_image().substr(0x14));

    tool_run failed = dir.run(board("b4.bin", {"--no-chip"}), "");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(dir.get("serial.txt"), "1003\n");

    tool_run first, second;
    std::thread station([&] { first = dir.run(board("c1.bin", {}), ""); });
    second = dir.run(board("c2.bin", {}), "");
    station.join();
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 0);
    std::uint32_t a = serial_in(dir.get("c1.bin")), b = serial_in(dir.get("c2.bin"));
    EXPECT_EQ(std::min(a, b), 1003u);
    EXPECT_EQ(std::max(a, b), 1004u);
    EXPECT_EQ(dir.get("serial.txt"), "1005\n");

    auto rows = csv_rows(dir.get("log.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0][0], "time");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_GE(rows[i].size(), 11u);
        EXPECT_EQ(rows[i][1], "write");
        bool good = i != 4;
        EXPECT_EQ(rows[i][rows[i].size() - 2], good ? "0" : "1");
        // The two stations side by side may log in either order.
        if (i < 5) {
            EXPECT_EQ(rows[i][6], good ? std::to_string(999 + i) : "1003");
        }
    }
    EXPECT_EQ(std::set<std::string>({rows[5][6], rows[6][6]}), std::set<std::string>({"1003", "1004"}));
}

std::string sha256_of(const std::string& bytes) {
    return sha256_hex(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

TEST(Production, ALogThatCannotBeWrittenStopsTheRunBeforeTheBoard) {
    tool_dir dir;
    dir.put("image.bin", counting_image());
    dir.put("serial.txt", "1000\n");
    const std::pair<std::string, std::string> logs[] = {
        {dir.path(), "Log " + dir.path() + " cannot be written (Is a directory); nothing was done.\n"},
        {"/dev/full", "Log /dev/full cannot be written (not a regular file); nothing was done.\n"},
        {"-", "eeprom24c01: --log takes a file, not '-'\nTry 'eeprom24c01 --help' for the options.\n"},
    };
    for (const auto& [log, message] : logs) {
        tool_run r = dir.run(board("b1.bin", {}, log), "");
        EXPECT_EQ(r.status, log == "-" ? 2 : 1);
        EXPECT_EQ(r.err, message);
        EXPECT_FALSE(dir.exists("b1.bin"));
        EXPECT_EQ(dir.get("serial.txt"), "1000\n");
    }
}

TEST(Production, TheLogNamesTheChipFileAndTheImageOfAFailedLoadOrARead) {
    tool_dir dir;
    dir.put("bad.hex", ":10000000ZZ\n");
    EXPECT_EQ(dir.run({"--sim", "b1.bin", "-w", "bad.hex", "--log", "log.csv"}, "").status, 1);
    EXPECT_EQ(dir.run({"--sim", "b1.bin", "-r", "out.hex", "--log", "log.csv"}, "").status, 0);
    auto rows = csv_rows(dir.get("log.csv"));
    ASSERT_EQ(rows.size(), 3u);
    const std::pair<const char*, const char*> images[] = {{"bad.hex", "write"}, {"out.hex", "read"}};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto& [image, action] = images[i - 1];
        EXPECT_EQ(rows[i][1], action);
        EXPECT_EQ(rows[i][2], "the simulated board (b1.bin)");
        EXPECT_EQ(rows[i][4], image);
        EXPECT_EQ(rows[i][5], sha256_of(dir.get(image)));
    }
}

TEST(Production, EraseBlankCheckAndTheListOfDifferences) {
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    tool_run r = dir.run({"--sim", "chip.bin", "--erase"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Erased 128 bytes and verified them.\n");
    EXPECT_EQ(dir.get("chip.bin"), std::string(128, '\xff'));
    r = dir.run({"--sim", "chip.bin", "--blank-check"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Blank: all 128 bytes read ff.\n");

    dir.put("image.bin", counting_image());
    ASSERT_EQ(dir.run({"--sim", "chip.bin", "-w", "image.bin"}, "").status, 0);
    r = dir.run({"--sim", "chip.bin", "--blank-check"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not blank: 128 bytes are not ff, the first at 0x00.\n");

    std::string other = counting_image();
    for (int i = 100; i < 120; ++i) other[static_cast<std::size_t>(i)] = '\x00';
    dir.put("other.bin", other);
    r = dir.run({"--sim", "chip.bin", "-v", "other.bin"}, "");
    EXPECT_EQ(r.status, 1);
    std::string expected;
    for (int i = 100; i < 116; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "0x%02x: expected 00, read %02x\n", i, i);
        expected += line;
    }
    EXPECT_EQ(r.err, expected + "Verify failed: 20 bytes differ; 16 shown.\n");
}

}  // namespace
