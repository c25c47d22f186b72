#include <gtest/gtest.h>

#include <cstring>

#include "sim/chip24c01.h"
#include "sim/chip_file.h"
#include "support/run_tool.h"

namespace {

TEST(ChipFile, MissingFileBecomesABlankChipOnDisk) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE] = {};
    EXPECT_EQ(chip_file_load(dir.file("chip.bin"), contents), "");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(contents), CHIP_SIZE), std::string(CHIP_SIZE, '\xff'));
    EXPECT_EQ(dir.get("chip.bin"), std::string(CHIP_SIZE, '\xff'));
}

TEST(ChipFile, WrongSizeIsRefusedAndLeftAlone) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE];
    for (std::size_t size : {0u, 127u, 129u, 256u}) {
        dir.put("chip.bin", std::string(size, 'x'));
        std::string problem = chip_file_load(dir.file("chip.bin"), contents);
        EXPECT_NE(problem.find("not a 128-byte chip image (" + std::to_string(size) + " bytes)"), std::string::npos)
            << problem;
        EXPECT_EQ(dir.get("chip.bin"), std::string(size, 'x'));
    }
    EXPECT_NE(chip_file_load(dir.path(), contents).find("not a regular file"), std::string::npos);
}

TEST(ChipFile, SaveReplacesTheFileWholeAndLeavesNoTemporary) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE];
    for (int i = 0; i < CHIP_SIZE; ++i) contents[i] = static_cast<std::uint8_t>(255 - i);
    dir.put("chip.bin", std::string(CHIP_SIZE, '\0'));
    EXPECT_EQ(chip_file_save(dir.file("chip.bin"), contents), "");
    std::uint8_t back[CHIP_SIZE];
    EXPECT_EQ(chip_file_load(dir.file("chip.bin"), back), "");
    EXPECT_EQ(std::memcmp(contents, back, CHIP_SIZE), 0);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"chip.bin"});
    EXPECT_NE(chip_file_save(dir.file("no/such/folder/chip.bin"), contents), "");
}

}  // namespace
