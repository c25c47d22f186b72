// SPDX-License-Identifier: GPL-3.0-or-later
// The byte editor, through the built binary.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

const std::string ADDRESS_PROMPT = "\nEnter the address location you want to change. (0 to 127)\n";
const std::string VALUE_PROMPT = "Enter the byte in HEX format.\n";
const std::string DONE_PROMPT = "Done (y/n)?\n";
const std::string BAD_ADDRESS = "Address must be 0 to 127.\n";
const std::string BAD_VALUE = "The byte must be a hexadecimal number, such as 3c.\n";
const std::string FULL_PASS = ADDRESS_PROMPT + VALUE_PROMPT + DONE_PROMPT;

// Runs option 2 with the given dialogue on the counting image, then exits.
tool_run edit(tool_dir& dir, const std::string& dialogue) {
    dir.put("dflt.dat", counting_image());
    return dir.run({"--sim", "chip.bin"}, "\n2\n" + dialogue + "\n3 saved.bin\n8\n");
}

std::string session(const std::string& passes, const std::string& after) {
    return startup_text(counting_image()) + "Contents of default data:\n" + dump_text(counting_image()) + passes +
           dump_text(after) + "\n" + MENU_TEXT + "Enter the name of file to save.\n" + MENU_TEXT;
}

std::string with(std::initializer_list<std::pair<int, int>> changes) {
    std::string image = counting_image();
    for (auto [slot, value] : changes) image[static_cast<std::size_t>(slot)] = static_cast<char>(value);
    return image;
}

TEST(Editor, SingleByte) {
    tool_dir dir;
    tool_run r = edit(dir, "0\nff\ny");
    EXPECT_EQ(r.out, session(FULL_PASS, with({{0, 0xFF}})));
    EXPECT_EQ(dir.get("saved.bin"), with({{0, 0xFF}}));
}

TEST(Editor, SeveralBytesAndOnlyLowerCaseYEnds) {
    tool_dir dir;
    tool_run r = edit(dir, "5\n0x3c\nn\n6 41 Y\n7 0X7e y");
    EXPECT_EQ(r.out, session(FULL_PASS + FULL_PASS + FULL_PASS, with({{5, 0x3C}, {6, 0x41}, {7, 0x7E}})));
}

TEST(Editor, ValuesKeepTheirLowEightBits) {
    tool_dir dir;
    tool_run r = edit(dir, "1 -1 n 2 1ff n 3 100 n 12 a5 y");
    EXPECT_EQ(r.out, session(repeat(FULL_PASS, 4), with({{1, 0xFF}, {2, 0xFF}, {3, 0x00}, {12, 0xA5}})));
}

TEST(Editor, AddressesOutsideTheImageAreRefused) {
    tool_dir dir;
    tool_run r = edit(dir, "128 55\n-1 66\n99999999999 77\n127 80 y");
    std::string refused = ADDRESS_PROMPT + BAD_ADDRESS;
    EXPECT_EQ(r.out, session(refused + refused + refused + FULL_PASS, with({{127, 0x80}})));
    EXPECT_EQ(dir.get("saved.bin"), with({{127, 0x80}}));
}

TEST(Editor, InputThatIsNotANumberIsRefused) {
    tool_dir dir;
    tool_run r = edit(dir, "abc 1 2\n4 zz 9\n- 4\n4 +\n4 0xg\n9 9 y");
    std::string bad_value = ADDRESS_PROMPT + VALUE_PROMPT + BAD_VALUE;
    // "0xg" reads as 0 with "xg" left over: x answers (not y), g is no address.
    EXPECT_EQ(r.out, session(ADDRESS_PROMPT + BAD_ADDRESS + bad_value + ADDRESS_PROMPT + BAD_ADDRESS + bad_value +
                                 FULL_PASS + ADDRESS_PROMPT + BAD_ADDRESS + FULL_PASS,
                             with({{4, 0x00}, {9, 0x09}})));
}

TEST(Editor, EndOfInputEndsTheProgram) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    std::string before = startup_text(counting_image()) + "Contents of default data:\n" + dump_text(counting_image());
    for (auto [input, tail] : std::vector<std::pair<std::string, std::string>>{
             {"", ADDRESS_PROMPT}, {"5", ADDRESS_PROMPT + VALUE_PROMPT}, {"5 6", FULL_PASS}}) {
        tool_run r = dir.run({"--sim", "chip.bin"}, "\n2\n" + input);
        EXPECT_EQ(r.out, before + tail) << input;
        EXPECT_EQ(r.status, 0);
    }
}

}  // namespace
