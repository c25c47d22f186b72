// SPDX-License-Identifier: GPL-3.0-or-later
// Write, read and verify through the built binary on the simulated board.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

const std::vector<std::string> SIM{"--sim", "chip.bin"};

TEST(DeviceE2E, WriteThenVerifyTypedAheadOnOneLine) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image(0x40));
    tool_run r = dir.run(SIM, "\n1 6\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image(0x40)) + MENU_TEXT + VERIFY_ALL_OK + MENU_TEXT);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.get("chip.bin"), counting_image(0x40)) << "the chip keeps what was written";
}

TEST(DeviceE2E, ReadShowsTheChipAndVerifiesAfterIt) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    std::string chip = counting_image(0x80);
    chip[0] = '\0';  // top bit 0 in the byte after the last one read
    dir.put("chip.bin", chip);
    tool_run r = dir.run(SIM, "\n5\n6\n5\n5\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + dump_text(chip) + MENU_TEXT + VERIFY_ALL_OK + MENU_TEXT +
                         dump_text(chip) + MENU_TEXT + dump_text(chip) + MENU_TEXT);
    EXPECT_EQ(dir.get("chip.bin"), chip) << "reading changes nothing";
}

TEST(DeviceE2E, VerifyReportsTheFirstDifference) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    std::string chip = counting_image();
    chip[5] = '\xb2';
    chip[6] = '\x00';
    dir.put("chip.bin", chip);
    tool_run r = dir.run(SIM, "\n6\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + repeat("Verify O.K.\n", 5) +
                         " ERROR: ADDRESS   WRITE DATA   READ DATA\n          5         5            b2   \n" + MENU_TEXT);
}

TEST(DeviceE2E, EmptySocketIsReportedAndNothingIsLost) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run({"--sim", "chip.bin", "--no-chip"}, "\n1\n6\n5\n3 out.bin\n7\n8\n");
    const std::string read_message = "No acknowledge from the EEPROM: check the board, its power and the cable.\n";
    const std::string write_message =
        "No acknowledge from the EEPROM at address 0: check the board, its power and the cable.\n";
    EXPECT_EQ(r.out, startup_text(counting_image()) + write_message + MENU_TEXT + read_message + MENU_TEXT +
                         read_message + MENU_TEXT + "Enter the name of file to save.\n" + MENU_TEXT +
                         dump_text(counting_image()) + "\n" + write_message + MENU_TEXT);
    EXPECT_EQ(r.status, 0);
    EXPECT_LT(r.seconds, 1.0);
    EXPECT_EQ(dir.get("out.bin"), counting_image()) << "the image survives the reads of nothing";
    EXPECT_EQ(dir.get("chip.bin"), std::string(128, '\xff'));
}

}  // namespace
