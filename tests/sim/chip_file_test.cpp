// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "sim/chip_file.h"
#include "sim/sim_board.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

TEST(ChipFile, MissingFileBecomesABlankChipOnDisk) {
    tool_dir dir;
    std::vector<std::uint8_t> contents;
    chip_file file;
    EXPECT_EQ(chip_file_open(dir.file("chip.bin"), 128, file, contents), "");
    EXPECT_EQ(contents, std::vector<std::uint8_t>(128, 0xFF));
    EXPECT_EQ(dir.get("chip.bin"), std::string(128, '\xff'));
}

TEST(ChipFile, WrongSizeIsRefusedAndLeftAlone) {
    tool_dir dir;
    std::vector<std::uint8_t> contents;
    chip_file file;
    for (std::size_t size : {0u, 127u, 129u, 256u}) {
        dir.put("chip.bin", std::string(size, 'x'));
        std::string problem = chip_file_open(dir.file("chip.bin"), 128, file, contents);
        EXPECT_NE(problem.find("not a 128-byte chip image (" + std::to_string(size) + " bytes)"), std::string::npos)
            << problem;
        EXPECT_EQ(dir.get("chip.bin"), std::string(size, 'x'));
    }
    EXPECT_NE(chip_file_open(dir.path(), 128, file, contents).find("not a regular file"), std::string::npos);
    EXPECT_FALSE(file.fd.valid());
}

TEST(ChipFile, SaveWritesInPlaceKeepingModeAndLock) {
    tool_dir dir;
    std::vector<std::uint8_t> contents(128);
    for (int i = 0; i < 128; ++i) contents[i] = static_cast<std::uint8_t>(255 - i);
    dir.put("chip.bin", std::string(128, '\0'));
    chmod(dir.file("chip.bin").c_str(), 0640);
    chip_file file, second;
    std::vector<std::uint8_t> back;
    ASSERT_EQ(chip_file_open(dir.file("chip.bin"), 128, file, back), "");
    EXPECT_EQ(chip_file_save(file, contents), 0);
    EXPECT_EQ(std::memcmp(dir.get("chip.bin").data(), contents.data(), 128), 0);
    struct stat info {};
    stat(dir.file("chip.bin").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"chip.bin"});
    // Held: a second opener is refused, whoever it is.
    EXPECT_NE(chip_file_open(dir.file("chip.bin"), 128, second, back).find("in use by another eeprom24c01"),
              std::string::npos);
    file.fd.reset();
    EXPECT_EQ(chip_file_open(dir.file("chip.bin"), 128, second, back), "");
}

TEST(ChipFile, HoldsExactlyTheChipsSize) {
    tool_dir dir;
    dir.put("small.bin", std::string(128, 'x'));
    for (std::uint32_t size : {2048u, 65536u}) {
        chip_file file;
        std::vector<std::uint8_t> contents;
        EXPECT_EQ(chip_file_open(dir.file("small.bin"), size, file, contents),
                  "Chip file " + dir.file("small.bin") + " is not a " + std::to_string(size) +
                      "-byte chip image (128 bytes); it is left as it is: name another file.\n");
        EXPECT_EQ(dir.get("small.bin"), std::string(128, 'x'));
        std::string name = std::to_string(size) + ".bin";
        ASSERT_EQ(chip_file_open(dir.file(name), size, file, contents), "");
        EXPECT_EQ(dir.get(name), std::string(size, '\xff'));
        EXPECT_EQ(contents.size(), size);
    }
}

// The lock goes with the descriptor: a board gone leaves the file free.
TEST(ChipFile, BoardGivesItsFileBackWhenItGoesAway) {
    tool_dir dir;
    chip_file file, again;
    std::vector<std::uint8_t> contents;
    ASSERT_EQ(chip_file_open(dir.file("chip.bin"), 128, file, contents), "");
    auto board = std::make_unique<sim_board>(default_sim_chip(), contents, true);
    board->keep_chip_in(std::move(file));
    EXPECT_NE(chip_file_open(dir.file("chip.bin"), 128, again, contents), "");
    board.reset();
    EXPECT_EQ(chip_file_open(dir.file("chip.bin"), 128, again, contents), "");
}

}  // namespace
