// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line actions through the built binary on the simulated board.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

std::vector<std::string> sim(std::initializer_list<std::string> more) {
    std::vector<std::string> args{"--sim", "chip.bin"};
    args.insert(args.end(), more);
    return args;
}

const std::string CHECK_PASSES =
    "Port: the simulated board claimed.\nLines: SDA follows the port.\nEEPROM: acknowledged at 0xa0.\n"
    "Bus: 0x50 answers, as a 24c01 should.\nLines: left idle, SDA and SCL high.\n";

TEST(Command, WriteVerifyAndReadWithTheirStatusesAndNoDefaultFile) {
    tool_dir dir;
    std::string image = counting_image(0x20);
    dir.put("image.bin", image);
    tool_run r = dir.run(sim({"-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Created a blank simulated chip in chip.bin.\nWrote 128 bytes and verified them.\n" + crc_line(image));
    EXPECT_EQ(dir.get("chip.bin"), image);

    r = dir.run(sim({"--verify", "-"}), image);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Verified 128 bytes: the chip matches standard input.\n" + crc_line(image));
    std::string other = image;
    other[0x12] = '\x3c';
    dir.put("other.bin", other);
    r = dir.run(sim({"-v", "other.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "0x12: expected 3c, read 32\nVerify failed: 1 byte differs.\n");

    r = dir.run(sim({"-r", "out.bin"}), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Read 128 bytes into out.bin.\n" + crc_line(image));
    EXPECT_EQ(dir.get("out.bin"), image);
    r = dir.run(sim({"--read", "-"}), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, image);
    EXPECT_EQ(r.err, "Read 128 bytes into standard output.\n" + crc_line(image));

    r = dir.run(sim({"-w", "other.bin", "-n"}), "");
    EXPECT_EQ(r.err, "Wrote 1 of 128 bytes (127 already held); not verified.\n");
    EXPECT_EQ(dir.get("chip.bin"), other);
    EXPECT_FALSE(dir.exists("dflt.dat"));
}

TEST(Command, FailuresExitOneAndTouchNothing) {
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    dir.put("out.bin", "old");
    dir.put("image.bin", counting_image(9));
    tool_run r = dir.run(sim({"--no-chip", "-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No acknowledge from the EEPROM at address 0x00: check the board, its power and the cable.\n");
    r = dir.run(sim({"--no-chip", "-r", "out.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dir.get("out.bin"), "old");
    r = dir.run(sim({"--no-cable", "-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "SDA does not follow the port: it reads high when driven low. Check that the board is on the cable and "
              "the port is in standard (SPP) mode.\n");
    for (std::size_t size : {127u, 129u}) {
        dir.put("odd.bin", std::string(size, 'x'));
        r = dir.run(sim({"--trace", "bus.vcd", "-w", "odd.bin"}), "");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "odd.bin holds " + std::to_string(size) + " bytes; a raw image is exactly 128 bytes.\n");
        EXPECT_EQ(dir.get("bus.vcd").find("$dumpvars"), std::string::npos) << "the port was touched";
    }
    r = dir.run({"--port", "no-such-port", "-r", "out.bin"}, "");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.rfind("Cannot use the parallel port no-such-port: No such file or directory.", 0), 0u) << r.err;
    r = dir.run(sim({"-v", "missing.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read missing.bin: No such file or directory.\n");
    EXPECT_EQ(dir.get("chip.bin"), counting_image());
    EXPECT_EQ(dir.names().size(), 5u) << "no temporary left behind";
}

TEST(Command, BoardCheck) {
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    tool_run r = dir.run(sim({"--check"}), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, CHECK_PASSES);
    r = dir.run(sim({"--check", "--no-chip"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Port: the simulated board claimed.\nLines: SDA follows the port.\n"
                     "EEPROM: no acknowledge at 0xa0: check the socket and the chip in it, the board's power, and "
                     "that the chip is a 24C01 (device code 1010).\nBus: nothing answers at 0x50 to 0x57.\n"
                     "Lines: left idle, SDA and SCL high.\n");
    // The part named as it is spoken; away from 0x50, the pins that select it.
    dir.put("c04.bin", std::string(512, '\xff'));
    const std::vector<std::pair<std::vector<std::string>, std::string>> advice{
        {{"--sim", "chip.bin", "--chip", "m24c01", "--address", "0x55"},
         "0xaa: check the socket and the chip in it, the board's power, and that the chip is an M24C01 (device code "
         "1010), and that its chip-select pins A2 A1 A0 are tied to 1 0 1 (0x55).\n"},
        {{"--sim", "c04.bin", "--chip", "24c04", "--address", "0x52"},
         "0xa4: check the socket and the chip in it, the board's power, and that the chip is a 24C04 (device code "
         "1010), and that its chip-select pins A2 A1 are tied to 0 1 (0x52).\n"},
    };
    for (auto [args, text] : advice) {
        args.insert(args.end(), {"--check", "--no-chip"});
        r = dir.run(args, "");
        EXPECT_NE(r.err.find("EEPROM: no acknowledge at " + text), std::string::npos) << r.err;
    }
    r = dir.run(sim({"--check", "--no-cable"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Port: the simulated board claimed.\nLines: SDA does not follow the port: it reads high when "
                     "driven low. Check that the board is on the cable and the port is in standard (SPP) mode.\n"
                     "Lines: left idle, SDA and SCL high.\n");
}

}  // namespace
