// Command-line actions in-process, on boards whose faults are set up on the
// model.
#include <gtest/gtest.h>

#include <cstring>

#include "app/command.h"
#include "sim/sim_board.h"
#include "support/recording_port.h"
#include "support/run_tool.h"

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
    std::pair<int, std::string> run(tool_action action, const std::string& file = "") {
        tool_options options;
        options.action = action;
        options.image_file = file;
        testing::internal::CaptureStderr();
        int status = run_command(options, *device);
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

TEST_F(CommandOnBoard, CheckFreesABusHeldByAChipLeftMidRead) {
    ASSERT_TRUE(device->begin_read(0));  // the chip now drives the 0 bits of byte 0
    auto [status, err] = run(tool_action::check);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "Port: the simulated board claimed.\nLines: SDA was held low by a chip left mid-transfer; 8 clocks "
                   "and a stop freed it. SDA follows the port.\nEEPROM: acknowledged at 0xa0.\n"
                   "Lines: left idle, SDA and SCL high.\n");
}

}  // namespace
