// SPDX-License-Identifier: GPL-3.0-or-later
// Parts other than the board's, through the built binary on the simulated
// board: round trips, writes that skip what the chip holds, a page size too
// large for the part, the options' refusals, the menu on a bigger part, and
// the progress line of a long write on a terminal.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// No byte of it is a blank chip's 0xFF.
std::string pattern(std::size_t size) {
    std::string image(size, '\0');
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<char>((i * 131 + i / 256) % 255);
    return image;
}

std::vector<std::string> sim(const std::string& chip, std::initializer_list<std::string> more) {
    std::vector<std::string> args{"--sim", "chip.bin", "--chip", chip};
    args.insert(args.end(), more);
    return args;
}

// WP held high: the chip takes every byte and keeps none. The command line
// and the menu say why, and the chip file is unchanged.
TEST(ChipFamily, AWriteProtectedChipIsNamedAndTheBusIsListed) {
    tool_dir dir;
    const std::string says = "The chip stored none of the bytes and took no write cycle: is its write-protect pin (WP, "
                             "pin 7) held high?\n";
    dir.put("chip.bin", pattern(128));
    dir.put("dflt.dat", counting_image());
    for (const char* action : {"-wdflt.dat", "--erase"}) {
        tool_run r = dir.run(sim("24lc01b", {"--wp-high", action}), "");
        EXPECT_EQ(r.err + std::to_string(r.status), says + "1");
    }
    tool_run menu = dir.run({"--sim", "chip.bin", "--wp-high"}, "\n1\n8\n");
    EXPECT_EQ(menu.out + std::to_string(menu.status), startup_text(counting_image()) + says + MENU_TEXT + "1");
    EXPECT_EQ(dir.get("chip.bin"), pattern(128));
    tool_dir board;
    EXPECT_NE(board.run(sim("24c16", {"--check"}), "").err.find("\nBus: 0x50 to 0x57 answer, as a 24c16 should.\n"),
              std::string::npos);
    EXPECT_NE(board.run({"--sim", "c01.bin", "--address", "0x52", "--check"}, "").err.find("\nBus: 0x52 answers, as a 24c01 should.\n"),
              std::string::npos);
}

TEST(ChipFamily, RoundTripsOnBiggerParts) {
    for (auto [chip, size] : {std::pair{"24c16", 2048}, std::pair{"at24c256", 32768}}) {
        SCOPED_TRACE(chip);
        tool_dir dir;
        std::string image = pattern(size), n = std::to_string(size);
        dir.put("image.bin", image);
        tool_run r = dir.run(sim(chip, {"-w", "image.bin"}), "");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "Created a blank simulated chip in chip.bin.\nWrote " + n + " bytes and verified them.\n" +
                             crc_line(image));
        EXPECT_EQ(dir.get("chip.bin"), image);
        r = dir.run(sim(chip, {"-v", "image.bin"}), "");
        EXPECT_EQ(r.err, "Verified " + n + " bytes: the chip matches image.bin.\n" + crc_line(image));
        r = dir.run(sim(chip, {"-r", "-"}), "");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, image);
    }
}

TEST(ChipFamily, WritesSkipWhatTheChipHolds) {
    tool_dir dir;
    std::string image = pattern(2048);
    dir.put("image.bin", image);
    dir.put("chip.bin", image);
    tool_run r = dir.run(sim("at24c16", {"-w", "image.bin"}), "");
    EXPECT_EQ(r.err, "Wrote 0 of 2048 bytes (2048 already held) and verified them.\n" + crc_line(image));
    image[0x7F3] = '\x5a';
    dir.put("image.bin", image);
    r = dir.run(sim("at24c16", {"-w", "image.bin", "-n"}), "");
    EXPECT_EQ(r.err, "Wrote 1 of 2048 bytes (2047 already held); not verified.\n");
    EXPECT_EQ(dir.get("chip.bin"), image);
    r = dir.run(sim("at24c16", {"-w", "image.bin", "--all"}), "");
    EXPECT_EQ(r.err, "Wrote 2048 bytes and verified them.\n" + crc_line(image));
}

TEST(ChipFamily, PageSizeLargerThanThePartsEndsInAVerifyFailure) {
    tool_dir dir;
    dir.put("image.bin", pattern(128));
    tool_run r = dir.run(sim("at24c01a", {"--page-size", "16", "-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\nVerify failed: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("verified"), std::string::npos);
}

TEST(ChipFamily, OptionsAreRefusedBeforeThePortIsTouched) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--page-size", "64"}, "bad --page-size '64': the 128-byte parts have pages of 1 to 16 bytes, a power of two (1 is always safe)"},
        {{"--chip", "24c16", "--page-size", "12"}, "bad --page-size '12': the 2048-byte parts have pages of 1 to 16 bytes, a power of two (1 is always safe)"},
        {{"--address", "0x58"}, "bad --address '0x58': give 0x50 to 0x57"},
        {{"--chip", "24c08", "--address", "0x52"}, "bad --address '0x52': the 24c08 uses A0 to A1 as address bits, so those bits must be 0"},
        {{"--chip", "at24c01", "--address", "0x50"}, "the at24c01 has no chip-select pins: leave out --address"},
        {{"--chip", "24c03"}, "unknown chip '24c03': --chip list shows the known ones"},
        {{"--chip", "24lc256", "--clock", "1M"}, "--clock 1 MHz is more than the 24lc256 is rated for: at most 400 kHz"},
        {{"--clock", "400k"}, "--clock 400 kHz is more than the 24c01 is rated for: at most 100 kHz (an exact part name may allow more: --chip list)"},
        {{"--chip", "at24c256", "--clock", "999"}, "--clock 999 Hz is too slow to be of use: give 1 kHz or more"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        tool_dir dir;
        std::vector<std::string> all{"--sim", "chip.bin", "--trace", "bus.vcd"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"-r", "out.bin"});
        tool_run r = dir.run(all, "");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "eeprom24c01: " + message + "\nTry 'eeprom24c01 --help' for the options.\n");
        EXPECT_FALSE(dir.exists("chip.bin"));
        EXPECT_FALSE(dir.exists("bus.vcd"));
    }
    tool_dir dir;
    tool_run r = dir.run({"--chip", "list"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
              "chip       maker        size  page  address bytes  block bits  tWR ms  max clock\n"
              "24c01      -             128     1              1           0      10    100 kHz\n");
    EXPECT_NE(r.out.find("\nat24c01    Atmel         128     4              0           0      10    100 kHz\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nat24c256   Atmel       32768    64              2           0       5      1 MHz\n"), std::string::npos);
}

TEST(ChipFamily, MenuWorksOnThePartsSize) {
    tool_dir dir;
    std::string image = pattern(256);
    dir.put("dflt.dat", image + "tail");
    tool_run r = dir.run(sim("24c02", {}), "\n2\n300\n255\n3c\ny\n8\n");
    EXPECT_NE(r.out.find("Contents of default data:\n" + HEADER_TEXT), std::string::npos);
    char last[16];
    std::snprintf(last, sizeof last, " ff %3x ", static_cast<unsigned char>(image[255]));
    EXPECT_NE(r.out.find(last + MENU_TEXT), std::string::npos) << "the start-up dump ends at slot 255";
    EXPECT_NE(r.out.find("(0 to 255)\nAddress must be 0 to 255.\n\nEnter the address location you want to change. "
                         "(0 to 255)\nEnter the byte in HEX format.\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("255  3c \n\n"), std::string::npos) << "the edited byte, last of the dump";
}

// The virtual bus time of a byte-at-a-time 24C16 write is 11 s: the line
// is drawn, redrawn and wiped before the outcome.
TEST(ChipFamily, LongWriteShowsProgressOnATerminalOnly) {
    tool_dir dir;
    dir.put("image.bin", pattern(2048));
    dir.stderr_on_terminal = true;
    tool_run r = dir.run(sim("24c16", {"-w", "image.bin", "--all"}), "");
    EXPECT_EQ(r.status, 0);
    std::size_t first = r.err.find("\rWriting "), last = r.err.rfind("\rWriting ");
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_LT(first, last) << "redrawn";
    std::size_t wipe = r.err.rfind("\r ");
    ASSERT_GT(wipe, last);
    EXPECT_EQ(r.err.substr(r.err.find('\r', wipe + 1)), "\rWrote 2048 bytes and verified them.\n" + crc_line(pattern(2048)));

    dir.stderr_on_terminal = false;
    r = dir.run(sim("24c16", {"-w", "image.bin", "--all"}), "");
    EXPECT_EQ(r.err, "Wrote 2048 bytes and verified them.\n" + crc_line(pattern(2048)));
}

}  // namespace
