// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and the menu loop, through the built binary.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// Every run here is on the simulated board: nothing may touch a real port.
const std::vector<std::string> SIM{"--sim", "chip.bin"};

TEST(Startup, MissingDefaultFileEndsAtOnce) {
    tool_dir dir;
    tool_run r = dir.run(SIM, "\n1\n");
    EXPECT_EQ(r.out, "file open failed. \n");
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, EmptyDefaultFileLoadsAllOnes) {
    tool_dir dir;
    dir.put("dflt.dat", "");
    tool_run r = dir.run(SIM, "\n8\n");
    EXPECT_EQ(r.out, startup_text(std::string(128, '\xff')));
    EXPECT_NE(r.out.find("  a  ff   b  ff "), std::string::npos);
    EXPECT_NE(r.out.find(" 7f  ff \n\nEnter"), std::string::npos);
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, LongAndShortDefaultFiles) {
    tool_dir dir;
    std::string long_file = counting_image(0) + std::string(72, 'z');
    dir.put("dflt.dat", long_file);
    EXPECT_EQ(dir.run(SIM, "\n8\n").out, startup_text(counting_image(0)));
    std::string short_file = counting_image(0x30).substr(0, 10);
    dir.put("dflt.dat", short_file);
    EXPECT_EQ(dir.run(SIM, "\n8\n").out, startup_text(loaded_image(short_file)));
    EXPECT_EQ(dir.get("dflt.dat"), short_file) << "start-up only reads";
}

TEST(Startup, EnterWaitTakesOneCharacterAndLeavesTheRestOfTheLine) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    // "4" goes to the wait, "2" opens the editor; "42" would end the program.
    tool_run r = dir.run(SIM, "42\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + "Contents of default data:\n" + dump_text(counting_image()) +
                         "\nEnter the address location you want to change. (0 to 127)\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, ExitOptionsEndSilently) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    for (std::string option : {"8", "0", "9", "-1", "99999999999999"}) {
        tool_run r = dir.run(SIM, "\n" + option + "\n1\n");
        EXPECT_EQ(r.out, startup_text(counting_image())) << option;
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(dir.get("chip.bin"), std::string(128, '\xff')) << "option 1 never ran";
}

TEST(Startup, LineWithoutANumberIsDiscardedAndTheMenuShownAgain) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run(SIM, "\nabc 1 1\n- 5\n+\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + MENU_TEXT + MENU_TEXT + MENU_TEXT);
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, EndOfInputEndsTheProgram) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run at_menu = dir.run(SIM, "\n");
    EXPECT_EQ(at_menu.out, startup_text(counting_image()));
    EXPECT_EQ(at_menu.status, 0);
    tool_run at_enter = dir.run(SIM, "");
    EXPECT_EQ(at_enter.out, startup_text(counting_image()));
    EXPECT_EQ(at_enter.status, 0);
}

}  // namespace
