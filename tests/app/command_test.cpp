// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line and menu actions in-process, on boards whose faults are set up
// on the model.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstring>

#include "app/command.h"
#include "app/menu_actions.h"
#include "sim/sim_board.h"
#include "support/expected_output.h"
#include "support/recording_port.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

class CommandOnBoard : public ::testing::Test {
protected:
    std::vector<std::uint8_t> contents = std::vector<std::uint8_t>(default_sim_chip().size());
    std::unique_ptr<sim_board> board;
    std::unique_ptr<parallel_device> device;
    tool_dir dir;
    void SetUp() override {
        for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<std::uint8_t>(i << 1);  // byte 0 is 0x00
        board = std::make_unique<sim_board>(default_sim_chip(), contents, true);
        device = std::make_unique<parallel_device>(*board, target_of());
    }
    static tool_options options_for(tool_action action, const std::string& file) {
        tool_options options;
        options.action = action;
        options.image_file = file;
        return options;
    }
    std::pair<int, std::string> run(tool_action action, const std::string& file = "") {
        testing::internal::CaptureStderr();
        int status = run_command(options_for(action, file), *device);
        return {status, testing::internal::GetCapturedStderr()};
    }
};

TEST_F(CommandOnBoard, WriteOnASdaHeldLowWritesNothing) {
    board->sda_held_low = true;
    dir.put("image.bin", std::string(128, '\x5a'));
    auto [status, err] = run(tool_action::write, dir.file("image.bin"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "SDA stays low when released: the board may have no power, or SDA is held to ground.\n");
    EXPECT_EQ(board->chip().memory, contents);
}

// A chip that stops acknowledging mid-write (here at the third write's data
// byte): the write reads every acknowledge, stops there and names the byte.
TEST_F(CommandOnBoard, ARefusedByteStopsTheWriteAndIsNamed) {
    device = std::make_unique<parallel_device>(*board, target_of(), nullptr, true);
    board->chip().ack_limit = 3 + 3 + 3 + 2;  // the read first, two whole writes, the third's address
    dir.put("image.bin", std::string(128, '\x5a'));
    auto [status, err] = run(tool_action::write, dir.file("image.bin"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "The EEPROM refused the data byte for 0x02 (after 2 bytes written): the write stopped there; check "
                   "that --chip names the part, and the chip's write-protect pin (WP, pin 7).\n");
}

TEST_F(CommandOnBoard, CheckFreesABusHeldByAChipLeftMidRead) {
    ASSERT_EQ(device->begin_read(0).result, device_result::done);  // the chip now drives the 0 bits of byte 0
    auto [status, err] = run(tool_action::check);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "Port: the simulated board claimed.\nLines: SDA was held low by a chip left mid-transfer; 8 clocks "
                   "and a stop freed it. SDA follows the port.\nEEPROM: acknowledged at 0xa0.\n"
                   "Bus: 0x50 answers, as a 24c01 should.\n"
                   "Lines: left idle, SDA and SCL high.\n");
}

// A signal at the given status read, as from a user at that moment.
struct board_signalled_at : sim_board {
    std::uint64_t at;
    board_signalled_at(std::span<const std::uint8_t> contents, std::uint64_t read)
        : sim_board(default_sim_chip(), contents, true), at(read) {}
    std::uint8_t read(std::uint16_t reg) override {
        if (counters().status_reads + 1 == at) raise(SIGINT);
        return sim_board::read(reg);
    }
};

TEST_F(CommandOnBoard, InterruptionSaysWhatWasDoneAndInWhichStep) {
    dir.put("image.bin", std::string(128, '\x5a'));
    // The write --all's 3843 status reads, the line test's 2 among them,
    // then the read-back; without --all a read of the chip comes first.
    const struct {
        tool_action action;
        bool all;
        std::uint64_t read;
        const char* says;
    } cases[] = {
        {tool_action::write, true, 1, "Interrupted during the line test, before any byte was sent.\n"},
        {tool_action::write, true, 100, "Interrupted while writing after 5 of 128 bytes; the rest not written.\n"},
        {tool_action::write, true, 3843, "Interrupted after writing all 128 bytes; not verified.\n"},
        {tool_action::write, true, 3843 + 1 + 8 * 72, "Interrupted while reading back: all 128 bytes were written, 72 read back, none compared.\n"},
        {tool_action::write, false, 3 + 8 * 10, "Interrupted while reading the chip before writing, after 10 of 128 bytes; none written.\n"},
        // Slot 45 already holds 0x5a: 127 bytes to write.
        {tool_action::write, false, 3 + 8 * 128 + 1 + 30 * 20,
         "Interrupted while writing after 21 of 127 bytes to write \\(of 128\\); the rest not written.\n"},
        {tool_action::verify, false, 3 + 8 * 127, "Interrupted while reading after 127 of 128 bytes; none compared.\n"},
        // On the last byte the read is whole.
        {tool_action::verify, false, 3 + 8 * 128, "Interrupted after reading all 128 bytes; none compared.\n"},
        {tool_action::read, false, 3 + 8 * 128, "Read 128 bytes into .*out.bin; then interrupted.\n"},
        {tool_action::read, false, 3 + 8 * 10, "Interrupted while reading after 10 of 128 bytes.\n"},
        {tool_action::check, false, 1, "Interrupted while checking the board.\n"},
    };
    for (const auto& c : cases) {
        board = std::make_unique<board_signalled_at>(contents, c.read);
        device = std::make_unique<parallel_device>(*board, target_of());
        tool_options options = options_for(c.action, dir.file(c.action == tool_action::read ? "out.bin" : "image.bin"));
        options.write_all = c.all;
        EXPECT_EXIT(std::exit(run_command(options, *device)), testing::ExitedWithCode(130), c.says);
    }
    // Written whole by the read that ended with its last byte; the one cut
    // short left it so and no temporary file.
    EXPECT_EQ(dir.get("out.bin"), std::string(contents.begin(), contents.end()));
    std::vector<std::string> names = dir.names();
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"image.bin", "out.bin"}));
}

// Option 5 with the signal on its last byte: the dump is printed only after
// the device action has ended (a blocked write there would fail), whole, and
// the line says the read was complete.
TEST_F(CommandOnBoard, MenuReadInterruptedOnItsLastByteShowsItAllAfterTheAction) {
    struct board_marking_its_end : board_signalled_at {
        using board_signalled_at::board_signalled_at;
        void action_end() override {
            std::fputs("[action ends]", stdout);
            board_signalled_at::action_end();
        }
    };
    board = std::make_unique<board_marking_its_end>(contents, 3 + 8 * 128);
    device = std::make_unique<parallel_device>(*board, target_of());
    menu_session session(*device);
    const std::string out = dir.file("out.txt");
    EXPECT_EXIT(
        {
            if (std::freopen(out.c_str(), "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
            read_eeprom_to_buffer(session);
            std::exit(session.ending.value_or(0));
        },
        testing::ExitedWithCode(130), "");
    EXPECT_EQ(dir.get("out.txt"), "[action ends]" + dump_text(std::string(contents.begin(), contents.end())) +
                                      "\nInterrupted after reading all 128 bytes.\n");
}

}  // namespace
