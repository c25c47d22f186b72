// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A device on the emulated programmer, through the command line's
// actions: every addressing, the faults a user meets, and the stream kept
// well formed throughout.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "app/command.h"
#include "app/device_texts.h"
#include "device/ch341_device.h"
#include "sim/ch341_sim_link.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

using bytes = std::vector<std::uint8_t>;

struct rig {
    chip_target target;
    ch341_stream stream;
    ch341_sim_link link{stream};
    ch341_device device;
    rig(const char* part, std::uint16_t page, const bytes& contents, bool present = true, std::uint32_t hz = 0)
        : target{find_chip(part), page}, stream(sim_chip_config_for(target), contents, present),
          device(link, target, hz, [this] { return std::chrono::microseconds(stream.now_us()); }) {}
    std::pair<int, std::string> run(tool_action action, const std::string& file = "", bool all = false) {
        tool_options options;
        options.action = action;
        options.image_file = file;
        options.write_all = all;
        testing::internal::CaptureStderr();
        int status = run_command(options, device);
        EXPECT_EQ(stream.counts().protocol_errors, 0u) << stream.first_error();
        EXPECT_FALSE(link.is_open());
        return {status, testing::internal::GetCapturedStderr()};
    }
};

bytes random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    bytes b(size);
    for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
    return b;
}

std::string text(const bytes& b) { return {b.begin(), b.end()}; }

// Every action on each kind of addressing, each at a clock the programmer
// has or one it rounds down to.
TEST(Ch341Device, EveryActionOnEveryAddressing) {
    const struct { const char* part; std::uint16_t page; std::uint32_t hz, clock_khz; } parts[] = {
        {"24c01", 1, 0, 100}, {"24c16", 16, 1000, 20}, {"24c256", 64, 400000, 400}, {"at24c01", 4, 1000000, 750}};
    for (const auto& p : parts) {
        SCOPED_TRACE(p.part);
        tool_dir dir;
        const std::uint32_t size = find_chip(p.part)->size;
        rig r(p.part, p.page, random_bytes(size, 1), true, p.hz);
        const std::string err = r.run(tool_action::check).second;
        EXPECT_EQ(err.substr(0, err.find("EEPROM")),
                  "Adapter: the CH341A (USB 1:2) opened (CH341A on USB bus 1, device 2, version 3.04 (emulated), I2C at " +
                      std::to_string(p.clock_khz) + " kHz).\nLines: run by the programmer; no line test.\n");
        bytes image = random_bytes(size, 2);
        dir.put("image.bin", text(image));
        EXPECT_EQ(r.run(tool_action::write, dir.file("image.bin")).first, EXIT_DONE);
        EXPECT_EQ(r.stream.chip().memory, image);
        EXPECT_EQ(r.run(tool_action::verify, dir.file("image.bin")).first, EXIT_DONE);
        // A read moves 32 bytes an IN packet, with one OUT packet for each
        // and one more that sets the address.
        const ch341_counts before = r.stream.counts();
        EXPECT_EQ(r.run(tool_action::read, dir.file("read.bin")).first, EXIT_DONE);
        EXPECT_EQ(dir.get("read.bin"), text(image));
        EXPECT_EQ(r.stream.counts().out_packets - before.out_packets, 1 + size / 32);
        EXPECT_EQ(r.stream.counts().in_packets - before.in_packets, 1 + size / 32);
        EXPECT_EQ(r.stream.counts().in_bytes - before.in_bytes, (p.part[0] == 'a' ? 2u : 3u + (size > 2048)) + size);
        EXPECT_EQ(r.run(tool_action::erase).first, EXIT_DONE);
        EXPECT_EQ(r.run(tool_action::blank_check), std::make_pair(EXIT_DONE, "Blank: all " + std::to_string(size) +
                                                                                   " bytes read ff.\n"));
        // Packets filled to their last byte (the scan's, a page's) are read whole.
        EXPECT_GT(r.stream.counts().full_out_packets, 0u);
    }
}

// Each fault as a user meets it: the line, the status, and what the chip
// holds after.
TEST(Ch341Device, FaultsAreNamed) {
    const bytes held = random_bytes(128, 3), image = random_bytes(128, 4);
    const std::string no_ack = "No acknowledge from the EEPROM at bus address 0x50 on the CH341A (USB 1:2) (byte 0x00): "
                               "check the chip, its power and its wiring, and --address.\n";
    const struct {
        const char* name;
        std::function<void(rig&)> fault;
        std::string err;
        std::size_t bytes_kept;  // of the image, from the first
    } cases[] = {
        {"empty socket", {}, no_ack, 0},
        {"write-protected", [](rig& r) { r.stream.chip().write_protected = true; }, std::string(WRITE_PROTECTED_TEXT) + "\n", 0},
        // The poll and the write's control and word address, then two data bytes.
        {"refused data byte", [](rig& r) { r.stream.chip().ack_limit = 5; },
         "The EEPROM refused the data byte for 0x02 (after 0 bytes written): the write stopped there; check that "
         "--chip names the part, and the chip's write-protect pin (WP, pin 7).\n", 2},
        {"write cycle beyond the bound", [](rig& r) { r.stream.chip().config.write_cycle_us = 30000; },
         std::regex_replace(no_ack, std::regex("0x00"), "0x08"), 8},
        // A poll and a page are two transfers each; then the second page's poll.
        {"programmer unplugged", [](rig& r) { r.stream.unplug_after = 2 + 2 + 2; },
         "Lost the CH341A (USB 1:2): it is no longer on the USB bus; the last byte known written is at 0x07, and "
         "nothing was verified; check its cable and plug it in again.\n", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tool_dir dir;
        dir.put("image.bin", text(image));
        rig r("at24c01a", 8, held, c.fault != nullptr);
        if (c.fault) c.fault(r);
        EXPECT_EQ(r.run(tool_action::write, dir.file("image.bin"), true), std::make_pair(EXIT_FAILED, c.err));
        bytes expected = held;
        std::copy_n(image.begin(), c.bytes_kept, expected.begin());
        EXPECT_EQ(r.stream.chip().memory, expected);
    }
}

// A chip still in its write cycle refuses its address until the cycle ends;
// a read waits for it, and a read ended early by its watch leaves the bus
// ready for the next.
TEST(Ch341Device, ReadsWaitForABusyChipAndEndWhereTheWatchSays) {
    rig r("24c256", 64, random_bytes(32768, 5));
    const bytes page = random_bytes(64, 6);
    ASSERT_EQ(r.device.begin_action().result, device_result::done);
    ASSERT_EQ(r.device.write(64, page).result, device_result::done);
    EXPECT_TRUE(chip_busy(r.stream.chip(), r.stream.now_us()));
    bytes out(100);
    device_outcome outcome = r.device.read(64, out, [](std::size_t done) { return done < 40; });
    EXPECT_EQ(outcome.bytes, 40);
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 40, out.begin()));
    EXPECT_EQ(r.device.read(64, out, {}).bytes, 100);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), out.begin()));
    EXPECT_EQ(r.stream.counts().protocol_errors, 0u);
    r.device.end_action();
}

}  // namespace

namespace {

// The emulator's own check, which every test above relies on.
TEST(Ch341Stream, FlagsMalformedPackets) {
    ch341_stream stream(default_sim_chip(), {});
    const bytes straddling = {0xAA, 0x74, 0x82, 0xA0}, unmarked = {0x74, 0x75}, fine = {0xAA, 0x74, 0x80, 0xA0, 0x75};
    for (const bytes& packet : {straddling, unmarked, fine}) stream.packet(packet);
    EXPECT_EQ(stream.counts().protocol_errors, 2u);
    EXPECT_EQ(stream.owed(), 1u);
}

}  // namespace
