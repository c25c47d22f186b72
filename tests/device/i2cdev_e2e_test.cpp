// SPDX-License-Identifier: GPL-3.0-or-later
// The built tool on an I2C adapter: the i2c-dev transport through the fake
// i2c-dev driver, with the simulated chip behind it.
#include <gtest/gtest.h>

#include <sstream>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// Bytes 0 to 254 over and over: none is a blank chip's ff.
std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 255);
    return bytes;
}

// The lines of the fake's log that start with prefix.
std::vector<std::string> log_lines(const tool_dir& dir, const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream lines(dir.get("fake.log"));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

// The outcome line of a run, without the checksum line that follows it.
std::string outcome(const tool_run& run) { return run.err.substr(0, run.err.find('\n') + 1); }

struct part_case {
    const char* name;
    const char* page;
    std::size_t size;
};

TEST(I2cdev, WriteVerifyAndReadAreByteExactOnEveryKindOfAdapter) {
    for (const char* functions : {"i2c", "smbus", "byte"}) {
        for (const part_case& part : {part_case{"24c01", "8", 128}, part_case{"24c16", "16", 2048},
                                      part_case{"24c256", "64", 32768}}) {
            SCOPED_TRACE(std::string(functions) + " " + part.name);
            tool_dir dir;
            // The larger parts' thousands of writes with a short write cycle.
            std::string cycle = part.size == 128 ? "CYCLE_US=300" : "CYCLE_US=20";
            std::string device = dir.use_fake_i2cdev(part.name, {std::string("FUNCS=") + functions, cycle});
            const std::vector<std::string> chip{"--i2c", device, "--chip", part.name, "--page-size", part.page};
            auto with = [&](std::vector<std::string> action) {
                action.insert(action.begin(), chip.begin(), chip.end());
                return action;
            };
            std::string image = pattern(part.size), n = std::to_string(part.size);
            dir.put("image.bin", image);
            tool_run w = dir.run(with({"-w", "image.bin"}), "");
            EXPECT_EQ(outcome(w), "Wrote " + n + " bytes and verified them.\n");
            EXPECT_TRUE(dir.get("fake-chip.bin") == image);
            // Three bytes in three pages differ: only they are written.
            for (std::size_t at : {std::size_t{0}, part.size / 2, part.size - 1}) image[at] = '\xa5';
            dir.put("image.bin", image);
            tool_run again = dir.run(with({"-w", "image.bin"}), "");
            EXPECT_EQ(outcome(again), "Wrote 3 of " + n + " bytes (" + std::to_string(part.size - 3) +
                                     " already held) and verified them.\n");
            tool_run v = dir.run(with({"-v", "image.bin"}), "");
            EXPECT_EQ(outcome(v), "Verified " + n + " bytes: the chip matches image.bin.\n");
            tool_run r = dir.run(with({"-r", "back.bin"}), "");
            EXPECT_EQ(outcome(r), "Read " + n + " bytes into back.bin.\n");
            EXPECT_TRUE(dir.get("back.bin") == image);
            EXPECT_EQ(w.status + again.status + v.status + r.status, 0);
        }
    }
}

TEST(I2cdev, TransfersFitEachKindOfAdapterAndABusyChipIsTriedAgain) {
    // What writes pages of 8 of a 24c01 and how many, and what reads it.
    const struct { const char* functions; std::string write; std::size_t writes; std::string read; } kinds[] = {
        {"i2c", "rdwr w50:9", 16, "rdwr w50:1 r50:128 ok"},
        {"smbus", "smbus-i2c-block w50:9", 16, "smbus-i2c-block w50:1 r50:32 ok"},
        {"byte", "smbus-byte-data w50:2", 128, "smbus-byte-data w50:1 r50:1 ok"},
    };
    for (const auto& kind : kinds) {
        tool_dir dir;
        std::string device = dir.use_fake_i2cdev("24c01", {std::string("FUNCS=") + kind.functions});
        dir.put("image.bin", pattern(128));
        EXPECT_EQ(dir.run({"--i2c", device, "--page-size", "8", "--all", "-w", "image.bin"}, "").status, 0);
        EXPECT_EQ(log_lines(dir, kind.write + " ok").size(), kind.writes) << kind.functions;
        EXPECT_FALSE(log_lines(dir, kind.write + " nak").empty()) << kind.functions;
        EXPECT_FALSE(log_lines(dir, kind.read).empty()) << kind.functions;
    }
    // A two-byte address on byte transfers: written once, then read byte by byte.
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c256", {"FUNCS=byte"});
    dir.put("fake-chip.bin", pattern(32768));
    EXPECT_EQ(dir.run({"--i2c", device, "--chip", "24c256", "-r", "back.bin"}, "").status, 0);
    EXPECT_TRUE(dir.get("back.bin") == pattern(32768));
    EXPECT_EQ(log_lines(dir, "smbus-byte-data w50:2 ok").size(), 1u);
    EXPECT_EQ(log_lines(dir, "smbus-byte r50:1 ok").size(), 32768u);
}

TEST(I2cdev, RefusedLengthsAreCutDownAndTheSizeThatWorkedIsKept) {
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c256", {"MAX_LEN=32", "CYCLE_US=20"});
    dir.put("image.bin", pattern(32768));
    tool_run r = dir.run({"--i2c", device, "--chip", "24c256", "--page-size", "64", "--all", "-w", "image.bin"}, "");
    EXPECT_EQ(outcome(r), "Wrote 32768 bytes and verified them.\n");
    EXPECT_TRUE(dir.get("fake-chip.bin") == pattern(32768));
    // Pages of 64 after two address bytes, then 32: 16 bytes a message.
    EXPECT_EQ(log_lines(dir, "rdwr w50:66"), std::vector<std::string>{"rdwr w50:66 refused"});
    EXPECT_EQ(log_lines(dir, "rdwr w50:34"), std::vector<std::string>{"rdwr w50:34 refused"});
    EXPECT_EQ(log_lines(dir, "rdwr w50:18 ok").size(), 32768u / 16);
    // The read-back, from the 8192 bytes i2c-dev takes down to 32.
    std::vector<std::string> refused, refusals;
    for (int length = 8192; length > 32; length /= 2)
        refused.push_back("rdwr w50:2 r50:" + std::to_string(length) + " refused");
    for (const std::string& line : log_lines(dir, "rdwr w50:2 r50:"))
        if (line.ends_with("refused")) refusals.push_back(line);
    EXPECT_EQ(refusals, refused);
    EXPECT_EQ(log_lines(dir, "rdwr w50:2 r50:32 ok").size(), 32768u / 32);
    // Below 32 bytes the adapter is refused, not taken for lost.
    tool_dir short_dir;
    device = short_dir.use_fake_i2cdev("24c01", {"MAX_LEN=16"});
    tool_run short_reads = short_dir.run({"--i2c", device, "-r", "back.bin"}, "");
    EXPECT_EQ(short_reads.err, "The I2C adapter " + device + " refuses reads of 32 bytes, which this tool needs: use "
                                                            "another adapter.\n");
    EXPECT_EQ(short_reads.status, 1);
}

TEST(I2cdev, ADriversAddressAndWritesOnAPcSmbusAreRefusedUnlessForced) {
    const struct { std::vector<std::string> settings; std::string text; } cases[] = {
        {{"DRIVER=at24"}, " belongs to the kernel driver at24: unbind it (echo 7-0050 | sudo tee "
                          "/sys/bus/i2c/drivers/at24/unbind), or give --force to use the chip anyway.\n"},
        {{"FUNCS=smbus", "NAME=SMBus I801 adapter at efa0"},
         " (SMBus I801 adapter at efa0): on a PC's SMBus, 0x50 to 0x57 are the memory modules' SPD EEPROMs, and a "
         "write there can leave a module unusable. Reading is allowed; give --force only if the chip at 0x50 is your "
         "own.\n"},
    };
    for (const auto& refusal : cases) {
        tool_dir dir;
        std::string device = dir.use_fake_i2cdev("24c01", refusal.settings);
        dir.put("fake-chip.bin", std::string(128, 'm'));
        dir.put("image.bin", pattern(128));
        tool_run w = dir.run({"--i2c", device, "-w", "image.bin"}, "");
        std::string head = refusal.settings.size() == 1 ? "The address 0x50 on " : "Refusing to write at 0x50 on ";
        EXPECT_EQ(w.err, head + device + refusal.text);
        EXPECT_EQ(w.status, 3);
        tool_run erase = dir.run({"--i2c", device, "--erase"}, "");
        EXPECT_EQ(erase.err, w.err);
        EXPECT_EQ(erase.status, 3);
        EXPECT_EQ(dir.get("fake-chip.bin"), std::string(128, 'm'));
        EXPECT_EQ(log_lines(dir, "smbus"), std::vector<std::string>{});  // not even a read
        tool_run forced = dir.run({"--i2c", device, "--force", "--all", "-w", "image.bin"}, "");
        EXPECT_EQ(outcome(forced), "Wrote 128 bytes and verified them.\n");
        EXPECT_EQ(dir.get("fake-chip.bin"), pattern(128));
    }
    // The PC's SMBus is read and checked.
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c01", {"FUNCS=smbus", "NAME=SMBus I801 adapter at efa0"});
    dir.put("fake-chip.bin", std::string(128, 'm'));
    tool_run r = dir.run({"--i2c", device, "-r", "back.bin"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.get("back.bin"), std::string(128, 'm'));
    tool_run check = dir.run({"--i2c", device, "--check"}, "");
    EXPECT_EQ(check.err, "Adapter: " + device + " opened (SMBus I801 adapter at efa0, SMBus I2C-block transfers).\n"
                         "Lines: run by the kernel; no line test.\nEEPROM: acknowledged at 0xa0.\n"
                         "Bus: 0x50 answers, as a 24c01 should.\n");
    EXPECT_EQ(check.status, 0);
}

// Without a combined write and read, a 24c256's address is set by a write
// that an SPD EEPROM (one address byte) would store.
TEST(I2cdev, TwoByteAddressReadsOnAPcSmbusAreRefusedAndTheCheckWritesNothing) {
    for (const char* functions : {"smbus", "byte"}) {
        SCOPED_TRACE(functions);
        tool_dir dir;
        std::string device = dir.use_fake_i2cdev(
            "24c02", {std::string("FUNCS=") + functions, "NAME=SMBus I801 adapter at efa0"});
        dir.put("fake-chip.bin", pattern(256));
        dir.put("image.bin", pattern(32768));
        for (std::vector<std::string> action : {std::vector<std::string>{"-r", "back.bin"}, {"-v", "image.bin"},
                                                {"--blank-check"}}) {
            action.insert(action.begin(), {"--i2c", device, "--chip", "24c256"});
            tool_run r = dir.run(action, "");
            EXPECT_EQ(r.err, "Refusing to read the 24c256 at 0x50 on " + device + " (SMBus I801 adapter at efa0): "
                             "this adapter cannot write the word address and read in one transfer, and the write "
                             "that sets it would change a one-byte-address chip there, such as a memory module's "
                             "SPD EEPROM. Give --force only if the chip at 0x50 is your own.\n");
            EXPECT_EQ(r.status, 3);
        }
        EXPECT_EQ(dir.run({"--i2c", device, "--chip", "24c256", "--check"}, "").status, 0);
        // The probe, then the scan of 0x50 to 0x57: reads only.
        std::vector<std::string> reads{"smbus-byte r50:1 ok", "smbus-byte r50:1 ok"};
        for (char a = '1'; a <= '7'; ++a) reads.push_back(std::string("smbus-byte r5") + a + ":1 nak");
        EXPECT_EQ(log_lines(dir, "smbus"), reads);
        EXPECT_EQ(dir.get("fake-chip.bin"), pattern(256));
    }
}

TEST(I2cdev, TheMenuReadsThePcSmbusAndItsWriteIsRefused) {
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c01", {"FUNCS=smbus", "NAME=SMBus I801 adapter at efa0"});
    dir.put("dflt.dat", counting_image());
    dir.put("fake-chip.bin", counting_image(0x40));
    tool_run r = dir.run({"--i2c", device}, "\n5\n1\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + dump_text(counting_image(0x40)) + MENU_TEXT +
                         "Refusing to write at 0x50 on " + device + " (SMBus I801 adapter at efa0): on a PC's SMBus, "
                         "0x50 to 0x57 are the memory modules' SPD EEPROMs, and a write there can leave a module "
                         "unusable. Reading is allowed; give --force only if the chip at 0x50 is your own.\n" +
                         MENU_TEXT);
    EXPECT_EQ(dir.get("fake-chip.bin"), counting_image(0x40));
}

TEST(I2cdev, AMissingChipIsNotAcknowledgedWithinTheWriteCycleBound) {
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c01", {"NO_CHIP=1"});
    tool_run r = dir.run({"--i2c", device, "-r", "back.bin"}, "");
    const std::string no_acknowledge = "No acknowledge from the EEPROM at bus address 0x50 on " + device +
                                       " (byte 0x00): check the chip, its power and its wiring, and --address.\n";
    EXPECT_EQ(r.err, no_acknowledge);
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(r.seconds, 2.0);  // 10 ms tWR and 15 ms, not a hang
    EXPECT_GT(log_lines(dir, "rdwr w50:1 r50:128 nak").size(), 1u);
    dir.put("dflt.dat", counting_image());
    tool_run menu = dir.run({"--i2c", device}, "\n5\n8\n");
    EXPECT_EQ(menu.out, startup_text(counting_image()) + no_acknowledge + MENU_TEXT);
}

// i2c-stub answers ENODEV where nothing acknowledges: while the adapter is
// there, that is no acknowledge, not a lost adapter. A chip that answers at
// once after its writes and keeps nothing has its write-protect pin high;
// --check lists what answers against the part named.
TEST(I2cdev, EmptyAddressesWriteProtectionAndWhatAnswers) {
    for (const char* name : {"NAME=i2c-stub", "NAME="}) {  // the adapter there, or gone
        tool_dir dir;
        std::string device = dir.use_fake_i2cdev("24c01", {"NO_CHIP=1", "NAK=ENODEV", name});
        std::string err = dir.run({"--i2c", device, "-r", "back.bin"}, "").err;
        EXPECT_EQ(err.rfind(name[5] ? "No acknowledge from the EEPROM at bus address 0x50" : "Lost the I2C adapter", 0), 0u) << err;
    }
    tool_dir dir;
    std::string device = dir.use_fake_i2cdev("24c16", {"WP=1", "NAME=i2c-stub"});
    dir.put("fake-chip.bin", pattern(2048));
    dir.put("image.bin", std::string(2048, 'w'));
    tool_run r = dir.run({"--i2c", device, "--chip", "24lc16b", "-w", "image.bin"}, "");
    EXPECT_EQ(r.err + std::to_string(r.status), "The chip stored none of the bytes and took no write cycle: is its "
                                                "write-protect pin (WP, pin 7) held high?\n1");
    // Without a read-back, the answers at once say it alone.
    EXPECT_EQ(dir.run({"--i2c", device, "--chip", "24lc16b", "-nw", "image.bin"}, "").err.rfind("The chip stored none", 0), 0u);
    EXPECT_EQ(dir.get("fake-chip.bin"), pattern(2048));
    EXPECT_NE(dir.run({"--i2c", device, "--check"}, "").err.find("\nBus: a device answers at 0x50 to 0x57 (8 addresses): "
                                                               "a 24C16, or several chips; --chip names a 24c01.\n"),
              std::string::npos);
}

TEST(I2cdev, AnAdapterThatCannotBeUsedSaysWhatToDo) {
    const std::pair<const char*, std::string> cases[] = {
        {"FAIL=open=EACCES", ": Permission denied. Join its group i2c (sudo adduser $USER i2c), then log out and in "
                             "again.\n"},
        {"FAIL=open=ENOENT", ": No such file or directory. Load the driver (sudo modprobe i2c-dev), then name one "
                             "of the /dev/i2c-N it makes with --i2c.\n"},
    };
    for (const auto& [fail, text] : cases) {
        tool_dir dir;
        std::string device = dir.use_fake_i2cdev("24c01", {fail});
        tool_run r = dir.run({"--i2c", device, "-r", "back.bin"}, "");
        EXPECT_EQ(r.err, "Cannot use the I2C adapter " + device + text);
        EXPECT_EQ(r.status, 3);
    }
    tool_dir dir;
    dir.put("plain", "");
    tool_run r = dir.run({"--i2c", "plain", "--check"}, "");
    EXPECT_EQ(r.err, "Cannot use the I2C adapter plain: Inappropriate ioctl for device. It is not an i2c-dev device: "
                     "name a /dev/i2c-N (ls /sys/class/i2c-dev lists them).\n");
    EXPECT_EQ(r.status, 3);
    tool_run traced = dir.run({"--i2c", "plain", "--trace", "t.vcd", "-r", "back.bin"}, "");
    EXPECT_EQ(traced.err.substr(0, traced.err.find('\n')),
              "eeprom24c01: --trace cannot go with --i2c: the kernel runs that bus, and the tool does not see its "
              "lines");
    EXPECT_EQ(traced.status, 2);
}

}  // namespace
