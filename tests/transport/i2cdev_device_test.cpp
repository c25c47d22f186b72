// SPDX-License-Identifier: GPL-3.0-or-later
// The i2c-dev transport on the fake i2c-dev driver, which is preloaded into
// this test binary: round trips through the simulated chip in each kind of
// adapter, pieces the adapter's length limit forces, the guard's refusals,
// a missing chip and the messages of a failed open.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <numeric>
#include <sstream>
#include <vector>

#include "support/run_tool.h"
#include "transport/i2cdev_device.h"

// The fake comes ahead of the sanitizer runtime in the library list.
extern "C" const char* __asan_default_options() { return "verify_asan_link_order=0"; }

namespace {

using bytes = std::vector<std::uint8_t>;

bytes counting(std::size_t size, std::uint8_t from) {
    bytes b(size);
    std::iota(b.begin(), b.end(), from);
    return b;
}

class I2cdev : public ::testing::Test {
protected:
    tool_dir dir;
    std::string device = dir.file("i2c-7");
    std::vector<std::string> names;

    void SetUp() override {
        set("FAKE_I2CDEV_PATH", device);
        set("FAKE_I2CDEV_CHIP", dir.file("chip.bin"));
        set("FAKE_I2CDEV_LOG", dir.file("fake.log"));
    }
    void TearDown() override {
        for (const std::string& name : names) unsetenv(name.c_str());
    }
    void set(const std::string& name, const std::string& value) {
        setenv(name.c_str(), value.c_str(), 1);
        names.push_back(name);
    }
    chip_target target_of(const char* part, std::uint16_t page = 0) {
        const chip_profile* profile = find_chip(part);
        return {profile, page ? page : profile->page_size};
    }
    // Every line of the fake's log that starts with prefix.
    std::vector<std::string> log_lines(const std::string& prefix) {
        std::vector<std::string> found;
        std::istringstream lines(dir.get("fake.log"));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }
};

// The whole image written page by page, the writes waited out, and read back.
device_outcome write_all(eeprom_device& chip, const bytes& image) {
    device_outcome outcome = chip.begin_action();
    for (std::uint32_t at = 0; outcome.result == device_result::done && at < image.size();
         at += chip.target().page_size)
        outcome = chip.write(at, {image.data() + at, chip.target().page_size});
    if (outcome.result == device_result::done) outcome = chip.finish_writes();
    chip.end_action();
    return outcome;
}

device_outcome read_all(eeprom_device& chip, bytes& out) {
    out.assign(chip.target().size(), 0);
    device_outcome outcome = chip.begin_action();
    if (outcome.result == device_result::done) outcome = chip.read(0, out, nullptr);
    chip.end_action();
    return outcome;
}

// The adapter's functions, the transfers that then write a page of 8 of a
// 24c01, how many there are, and a read. The chip is busy after each write,
// so some transfer is not acknowledged and tried again.
struct adapter_kind {
    const char* functions;
    std::string write;
    std::size_t writes;
    std::string read;
};
const adapter_kind KINDS[] = {
    {"i2c", "rdwr w50:9", 16, "rdwr w50:1 r50:128 ok"},
    {"smbus", "smbus-i2c-block w50:9", 16, "smbus-i2c-block w50:1 r50:32 ok"},
    {"byte", "smbus-byte-data w50:2", 128, "smbus-byte-data w50:1 r50:1 ok"},
};

TEST_F(I2cdev, RoundTripsInEveryKindOfAdapter) {
    for (const adapter_kind& kind : KINDS) {
        for (auto [part, page] : {std::pair{"24c01", 8}, std::pair{"24c16", 16}, std::pair{"24c256", 64}}) {
            SCOPED_TRACE(std::string(kind.functions) + " " + part);
            set("FAKE_I2CDEV_FUNCS", kind.functions);
            set("FAKE_I2CDEV_PART", part);
            // The larger parts' thousands of writes with a short write cycle.
            set("FAKE_I2CDEV_CYCLE_US", std::string(part) == "24c01" ? "300" : "20");
            dir.put("fake.log", "");
            i2cdev_device chip({device}, target_of(part, static_cast<std::uint16_t>(page)));
            bytes image = counting(chip.target().size(), static_cast<std::uint8_t>(page));
            ASSERT_EQ(write_all(chip, image).result, device_result::done);
            bytes back;
            ASSERT_EQ(read_all(chip, back).bytes, static_cast<int>(image.size()));
            EXPECT_EQ(back, image);
            EXPECT_EQ(dir.get("chip.bin"), std::string(image.begin(), image.end()));
            if (chip.target().size() != 128) continue;
            EXPECT_EQ(log_lines(kind.write + " ok").size(), kind.writes);
            EXPECT_FALSE(log_lines(kind.write + " nak").empty());
            EXPECT_FALSE(log_lines(kind.read).empty());
        }
    }
    // The last round trip: a 24c256 on byte transfers. Its address is written
    // once (after the last write, and before the read), then read byte by byte.
    EXPECT_EQ(log_lines("smbus-byte-data w50:2 ok").size(), 2u);
    EXPECT_EQ(log_lines("smbus-byte r50:1 ok").size(), 32768u + 1);
    EXPECT_EQ(log_lines("smbus-word-data w50:3 ok").size(), 32768u);
}

TEST_F(I2cdev, RefusedLengthsAreCutDownAndTheSizeThatWorkedIsKept) {
    set("FAKE_I2CDEV_MAX_LEN", "32");
    set("FAKE_I2CDEV_PART", "24c256");
    set("FAKE_I2CDEV_CYCLE_US", "20");
    i2cdev_device chip({device}, target_of("24c256", 64));
    bytes image = counting(32768, 1), back;
    ASSERT_EQ(write_all(chip, image).result, device_result::done);
    ASSERT_EQ(read_all(chip, back).result, device_result::done);
    EXPECT_EQ(back, image);
    // Pages of 64 after two address bytes, then 32: 16 bytes a message.
    EXPECT_EQ(log_lines("rdwr w50:66"), std::vector<std::string>{"rdwr w50:66 refused"});
    EXPECT_EQ(log_lines("rdwr w50:34"), std::vector<std::string>{"rdwr w50:34 refused"});
    EXPECT_EQ(log_lines("rdwr w50:18 ok").size(), 32768u / 16);
    // Reads from the 8192 bytes i2c-dev takes down to 32.
    std::vector<std::string> refused;
    for (int length = 8192; length > 32; length /= 2)
        refused.push_back("rdwr w50:2 r50:" + std::to_string(length) + " refused");
    std::vector<std::string> refusals;
    for (const std::string& line : log_lines("rdwr w50:2 r50:"))
        if (line.ends_with("refused")) refusals.push_back(line);
    EXPECT_EQ(refusals, refused);
    EXPECT_EQ(log_lines("rdwr w50:2 r50:32 ok").size(), 32768u / 32);
}

TEST_F(I2cdev, AnAddressADriverOwnsIsRefusedUnlessForced) {
    set("FAKE_I2CDEV_DRIVER", "at24");
    i2cdev_device refused({device}, target_of("24c01"));
    device_outcome outcome = refused.begin_action();
    EXPECT_EQ(outcome.result, device_result::port_refused);
    EXPECT_EQ(outcome.port_message,
              "The address 0x50 on " + device + " belongs to the kernel driver at24: unbind it (echo 7-0050 | sudo tee "
              "/sys/bus/i2c/drivers/at24/unbind), or give --force to use the chip anyway.\n");
    i2cdev_device forced({device, "/sys", true}, target_of("24c01"));
    bytes image = counting(128, 3), back;
    EXPECT_EQ(write_all(forced, image).result, device_result::done);
    EXPECT_EQ(read_all(forced, back).result, device_result::done);
    EXPECT_EQ(back, image);
}

TEST_F(I2cdev, OnAPcSmbusOnlyReadsAreAllowedUnlessForced) {
    set("FAKE_I2CDEV_NAME", "SMBus I801 adapter at efa0");
    set("FAKE_I2CDEV_FUNCS", "smbus");
    dir.put("chip.bin", std::string(128, 'm'));
    i2cdev_device guarded({device}, target_of("24c01"));
    device_outcome outcome = write_all(guarded, counting(128, 0));
    EXPECT_EQ(outcome.result, device_result::port_refused);
    EXPECT_EQ(outcome.port_message,
              "Refusing to write at 0x50 on " + device + " (SMBus I801 adapter at efa0): on a PC's SMBus, 0x50 to "
              "0x57 are the memory modules' SPD EEPROMs, and a write there can leave a module unusable. Reading is "
              "allowed; give --force only if the chip at 0x50 is your own.\n");
    EXPECT_TRUE(log_lines("smbus-i2c-block w").empty());
    bytes back;
    EXPECT_EQ(read_all(guarded, back).result, device_result::done);
    EXPECT_EQ(back, bytes(128, 'm'));
    i2cdev_device forced({device, "/sys", true}, target_of("24c01"));
    EXPECT_EQ(write_all(forced, counting(128, 0)).result, device_result::done);
}

TEST_F(I2cdev, AMissingChipIsNotAcknowledgedOnceTheWriteCycleBoundHasPassed) {
    set("FAKE_I2CDEV_NO_CHIP", "1");
    i2cdev_device chip({device}, target_of("24c01"));
    ASSERT_EQ(chip.begin_action().result, device_result::done);
    auto began = std::chrono::steady_clock::now();
    device_outcome outcome = chip.probe();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    chip.end_action();
    EXPECT_EQ(outcome.result, device_result::no_acknowledge);
    EXPECT_GE(seconds, 0.025);  // 10 ms tWR and the margin
    EXPECT_LT(seconds, 2.0);
    EXPECT_GT(log_lines("rdwr w50:1 r50:1 nak").size(), 10u);
}

TEST_F(I2cdev, AFailedOpenSaysWhatToDo) {
    const std::pair<const char*, std::string> cases[] = {
        {"open=EACCES", ": Permission denied. Join its group i2c (sudo adduser $USER i2c), then log out and in again.\n"},
        {"open=ENOENT", ": No such file or directory. Load the driver (sudo modprobe i2c-dev), then name one of the "
                        "/dev/i2c-N it makes with --i2c.\n"},
    };
    for (const auto& [fail, text] : cases) {
        set("FAKE_I2CDEV_FAIL", fail);
        i2cdev_device chip({device}, target_of("24c01"));
        device_outcome outcome = chip.begin_action();
        EXPECT_EQ(outcome.result, device_result::port_refused);
        EXPECT_EQ(outcome.port_message, "Cannot use the I2C adapter " + device + text);
    }
    dir.put("plain-file", "");
    i2cdev_device plain({dir.file("plain-file")}, target_of("24c01"));
    EXPECT_EQ(plain.begin_action().port_message,
              "Cannot use the I2C adapter " + dir.file("plain-file") + ": Inappropriate ioctl for device. It is not "
              "an i2c-dev device: name a /dev/i2c-N (ls /sys/class/i2c-dev lists them).\n");
}

}  // namespace
