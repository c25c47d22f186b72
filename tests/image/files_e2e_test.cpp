// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading image files, through the built binary.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

const std::vector<std::string> SIM{"--sim", "chip.bin"};
const std::string SAVE_PROMPT = "Enter the name of file to save.\n";
const std::string READ_PROMPT = "Enter the name of file to read.\n";

TEST(ImageFiles, EveryByteValueSurvivesSaveAndLoad) {
    tool_dir dir;
    std::string low = counting_image(0), high = counting_image(128);
    dir.put("dflt.dat", low);
    dir.put("high.bin", high);
    tool_run r = dir.run(SIM, "\n3 low.bin\n4\nhigh.bin\n3\nhigh2.bin 4 low.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(low) + SAVE_PROMPT + MENU_TEXT + READ_PROMPT + dump_text(high) + MENU_TEXT +
                         SAVE_PROMPT + MENU_TEXT + READ_PROMPT + dump_text(low) + MENU_TEXT);
    EXPECT_EQ(dir.get("low.bin"), low);
    EXPECT_EQ(dir.get("high2.bin"), high);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("low.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(ImageFiles, SavingOverALongerFileKeepsItsTail) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image(7));
    std::string tail(72, 't');
    dir.put("long.bin", std::string(128, 'h') + tail);
    tool_run r = dir.run(SIM, "\n3\nlong.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image(7)) + SAVE_PROMPT + MENU_TEXT);
    EXPECT_EQ(dir.get("long.bin"), counting_image(7) + tail);
}

TEST(ImageFiles, ShortFileLoadsOnlyWhatItHolds) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    dir.put("ten.bin", std::string(10, '\x5a'));
    tool_run r = dir.run(SIM, "\n4 ten.bin\n8\n");
    std::string expected = std::string(10, '\x5a') + counting_image().substr(10);
    EXPECT_EQ(r.out, startup_text(counting_image()) + READ_PROMPT + dump_text(expected) + MENU_TEXT);
}

TEST(ImageFiles, MissingNameIsReportedAndNotCreated) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run(SIM, "\n4 fresh.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + READ_PROMPT + "Open failed\n" + dump_text(counting_image()) +
                         MENU_TEXT);
    EXPECT_FALSE(dir.exists("fresh.bin"));
}

TEST(ImageFiles, ReadOnlyFilesLoad) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    dir.put("ro.bin", std::string(128, '\x11'));
    chmod(dir.file("ro.bin").c_str(), 0444);
    chmod(dir.file("dflt.dat").c_str(), 0444);
    tool_run r = dir.run(SIM, "\n4 ro.bin\n7\n8\n", true);
    EXPECT_EQ(r.out, startup_text(counting_image()) + READ_PROMPT + dump_text(std::string(128, '\x11')) + MENU_TEXT +
                         dump_text(counting_image()) + MENU_TEXT);
    EXPECT_EQ(dir.get("chip.bin"), counting_image());
    EXPECT_EQ(dir.get("ro.bin"), std::string(128, '\x11'));
}

TEST(ImageFiles, ProgramDefaultValuesWithTheDefaultFileDeletedProgramsNothing) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image(3));
    tool_run r = dir.run_paused(SIM, "Push ENTER to continue.\n", [&] { unlink(dir.file("dflt.dat").c_str()); },
                                "\n7\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image(3)) + "Open failed\n" + MENU_TEXT);
    EXPECT_FALSE(dir.exists("dflt.dat"));
    EXPECT_EQ(dir.get("chip.bin"), std::string(128, '\xff'));
}

TEST(ImageFiles, ProgramDefaultValuesLoadsTheFileAnew) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image(3));
    tool_run r = dir.run_paused(SIM, "Push ENTER to continue.\n", [&] {
        // A new file in its place: the one start-up has open stays as it was.
        dir.put("new.dat", std::string(4, '\0'));
        rename(dir.file("new.dat").c_str(), dir.file("dflt.dat").c_str());
    },
                                "\n7\n8\n");
    std::string loaded = std::string(4, '\0') + counting_image(3).substr(4);
    EXPECT_EQ(r.out, startup_text(counting_image(3)) + dump_text(loaded) + MENU_TEXT);
    EXPECT_EQ(dir.get("chip.bin"), loaded);
}

TEST(ImageFiles, FailedSaveIsReported) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run(SIM, "\n3 /dev/full\n3 no/such/dir.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + SAVE_PROMPT + "Write failed: No space left on device\n" +
                         MENU_TEXT + SAVE_PROMPT + "Open failed\n" + MENU_TEXT);
}

TEST(ImageFiles, LongFileNames) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    std::string name200(200, 'n'), name300(300, 'm');
    tool_run r = dir.run(SIM, "\n3 " + name200 + "\n4 " + name300 + "\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + SAVE_PROMPT + MENU_TEXT + READ_PROMPT + "Open failed\n" +
                         dump_text(counting_image()) + MENU_TEXT);
    EXPECT_EQ(dir.get(name200), counting_image());
    EXPECT_EQ(r.status, 0);
}

TEST(ImageFiles, EndOfInputAtTheFileNameEndsTheProgram) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run(SIM, "\n3\n  \n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + SAVE_PROMPT);
    EXPECT_EQ(r.status, 0);
}

}  // namespace
