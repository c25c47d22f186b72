// SPDX-License-Identifier: GPL-3.0-or-later
// The built tool on a CH341A programmer through the real libusb: the USB
// test bed (support/ch341_bed.cpp) serves its usbdevfs ioctls with the
// programmer's I2C stream emulated on the simulated chip.
#include <gtest/gtest.h>

#include <tuple>

#include "support/run_tool.h"

namespace {

// Bytes 0 to 254 over and over, from a start: none is a blank chip's ff.
std::string pattern(std::size_t size, int from = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i + from) % 255);
    return bytes;
}

const std::string LINE_END = ": name one with --ch341=BUS:DEVICE (lsusb lists them).\n";

TEST(Ch341, WriteVerifyAndReadAreByteExact) {
    // Each part at the fastest clock it is rated for.
    for (auto [part, n, crc, clock] :
         {std::tuple{"24c01", "128", "0x24650d57", "100k"}, {"at24c256", "32768", "0xfb51c268", "400k"}}) {
        tool_dir dir;
        dir.use_ch341_bed(part);
        const std::string image = pattern(std::stoul(n)), crc_line = std::string("CRC-32 of the chip's ") + n + " bytes: " + crc;
        dir.put("image.bin", image);
        tool_run w = dir.run({"--ch341", "--chip", part, "--clock", clock, "-w", "image.bin"}, "");
        EXPECT_EQ(w.err, "Wrote " + std::string(n) + " bytes and verified them.\n" + crc_line + "\n");
        tool_run r = dir.run({"--ch341=003:007", "--chip", part, "-r", "back.bin"}, "");
        EXPECT_EQ(r.err, "Read " + std::string(n) + " bytes into back.bin.\n" + crc_line + "\n");
        EXPECT_TRUE(dir.get("fake-chip.bin") == image && dir.get("back.bin") == image);
        EXPECT_EQ(w.status + r.status, 0);
        EXPECT_EQ(dir.get("fake.log"), "claim\nrelease\nclaim\nrelease\n");
    }
}

TEST(Ch341, EveryRefusalToOpenIsOneLineWithStatus3) {
    const struct {
        std::vector<std::string> settings, args;
        bool unprivileged;
        std::string line;
    } cases[] = {
        {{"PROGRAMMERS=0"}, {"--ch341", "--erase"}, false,
         "No CH341A programmer (USB 1a86:5512) is plugged in: plug it in (lsusb lists it), or try the tool on the "
         "simulated board with --sim FILE.\n"},
        {{"PROGRAMMERS=2"}, {"--ch341", "--erase"}, false, "Several CH341A programmers are plugged in, at USB 3:7, 1:4" + LINE_END},
        {{"PROGRAMMERS=2"}, {"--ch341=1:5", "--erase"}, false, "No CH341A programmer is at USB 1:5 (plugged in: 3:7, 1:4)" + LINE_END},
        {{"NO_PERMISSION=1"}, {"--ch341", "--erase"}, true,
         "No permission to use the CH341A (USB 3:7): install the udev rule "
         "/usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules (the package does), run sudo udevadm control "
         "--reload-rules, then plug it in again.\n"},
        {{"BUSY=1"}, {"--ch341", "--erase"}, false, "Another program is using the CH341A (USB 3:7): end it, then try again.\n"},
    };
    for (const auto& c : cases) {
        tool_dir dir;
        dir.use_ch341_bed("24c01", c.settings);
        tool_run run = dir.run(c.args, "", c.unprivileged);
        EXPECT_EQ(run.err, c.line);
        EXPECT_EQ(run.status, 3) << c.line;
        EXPECT_FALSE(dir.exists("fake.log")) << dir.get("fake.log");
    }
    // A location that is none, and a trace of lines the tool does not see: usage errors.
    tool_dir dir;
    dir.use_ch341_bed("24c01");
    for (const auto& args : {std::vector<std::string>{"--ch341=3", "--check"}, {"--ch341", "--trace", "t.vcd", "--check"}})
        EXPECT_EQ(dir.run(args, "").status, 2);
}

TEST(Ch341, CheckTakesTheProgrammerFromItsDriverAndGivesItBack) {
    tool_dir dir;
    dir.use_ch341_bed("24c01", {"DRIVER=ch341"});
    tool_run run = dir.run({"--ch341", "--check"}, "");
    EXPECT_EQ(run.err,
              "Adapter: the CH341A (USB 3:7) opened (CH341A on USB bus 3, device 7, version 3.04, I2C at 100 kHz).\n"
              "Lines: run by the programmer; no line test.\nEEPROM: acknowledged at 0xa0.\n"
              "Bus: 0x50 answers, as a 24c01 should.\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(dir.get("fake.log"), "disconnect ch341\nclaim\nrelease\nconnect ch341\n");
}

TEST(Ch341, AChipThatCannotBeWrittenAndAProgrammerPulledOutAreSaid) {
    const struct {
        const char* setting;
        std::string line;
    } cases[] = {
        {"NO_CHIP=1",
         "No acknowledge from the EEPROM at bus address 0x50 on the CH341A (USB 3:7) (byte 0x00): check the chip, its "
         "power and its wiring, and --address.\n"},
        {"WP=1",
         "The chip stored none of the bytes and took no write cycle: is its write-protect pin (WP, pin 7) held high?\n"},
        {"UNPLUG_AFTER=20",
         "Lost the CH341A (USB 3:7): it is no longer on the USB bus; the last byte known written is at 0x03, and "
         "nothing was verified; check its cable and plug it in again.\n"},
    };
    for (const auto& c : cases) {
        tool_dir dir;
        dir.use_ch341_bed("24c01", {c.setting});
        dir.put("image.bin", pattern(128, 7));
        tool_run run = dir.run({"--ch341", "-w", "image.bin"}, "");
        EXPECT_EQ(run.err, c.line);
        EXPECT_EQ(run.status, 1) << c.setting;
    }
}

}  // namespace
