#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "sim/chip24c01.h"
#include "sim/chip_file.h"
#include "support/run_tool.h"

namespace {

TEST(ChipFile, MissingFileBecomesABlankChipOnDisk) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE] = {};
    chip_file file;
    EXPECT_EQ(chip_file_open(dir.file("chip.bin"), file, contents), "");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(contents), CHIP_SIZE), std::string(CHIP_SIZE, '\xff'));
    EXPECT_EQ(dir.get("chip.bin"), std::string(CHIP_SIZE, '\xff'));
    close(file.fd);
}

TEST(ChipFile, WrongSizeIsRefusedAndLeftAlone) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE];
    chip_file file;
    for (std::size_t size : {0u, 127u, 129u, 256u}) {
        dir.put("chip.bin", std::string(size, 'x'));
        std::string problem = chip_file_open(dir.file("chip.bin"), file, contents);
        EXPECT_NE(problem.find("not a 128-byte chip image (" + std::to_string(size) + " bytes)"), std::string::npos)
            << problem;
        EXPECT_EQ(dir.get("chip.bin"), std::string(size, 'x'));
    }
    EXPECT_NE(chip_file_open(dir.path(), file, contents).find("not a regular file"), std::string::npos);
    EXPECT_EQ(file.fd, -1);
}

TEST(ChipFile, SaveWritesInPlaceKeepingModeAndLock) {
    tool_dir dir;
    std::uint8_t contents[CHIP_SIZE];
    for (int i = 0; i < CHIP_SIZE; ++i) contents[i] = static_cast<std::uint8_t>(255 - i);
    dir.put("chip.bin", std::string(CHIP_SIZE, '\0'));
    chmod(dir.file("chip.bin").c_str(), 0640);
    chip_file file, second;
    std::uint8_t back[CHIP_SIZE];
    ASSERT_EQ(chip_file_open(dir.file("chip.bin"), file, back), "");
    EXPECT_EQ(chip_file_save(file, contents), "");
    EXPECT_EQ(std::memcmp(dir.get("chip.bin").data(), contents, CHIP_SIZE), 0);
    struct stat info {};
    stat(dir.file("chip.bin").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"chip.bin"});
    // Held: a second opener is refused, whoever it is.
    EXPECT_NE(chip_file_open(dir.file("chip.bin"), second, back).find("in use by another eeprom24c01"),
              std::string::npos);
    close(file.fd);
    EXPECT_EQ(chip_file_open(dir.file("chip.bin"), second, back), "");
    close(second.fd);
}

}  // namespace
