// SPDX-License-Identifier: GPL-3.0-or-later
// The VCD trace of a device action on the simulated board.
#include <gtest/gtest.h>

#include <sstream>

#include "app/menu_actions.h"
#include "bus/trace.h"
#include "sim/sim_board.h"
#include "support/recording_port.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

struct vcd_summary {
    bool header_ok = false;
    bool times_grow = true;
    int scl_rises = 0;
    int sda_changes = 0;
};

vcd_summary read_vcd(const std::string& text) {
    vcd_summary s;
    s.header_ok = text.find("$timescale 1us $end") != std::string::npos &&
                  text.find("$var wire 1 ! SCL $end") != std::string::npos &&
                  text.find("$var wire 1 \" SDA $end") != std::string::npos &&
                  text.find("$enddefinitions $end") != std::string::npos;
    std::istringstream in(text.substr(text.find("$enddefinitions")));
    std::string line;
    long long last_time = -1;
    int scl = -1;
    bool in_dumpvars = false;
    while (std::getline(in, line)) {
        if (line == "$dumpvars") in_dumpvars = true;
        if (line == "$end") in_dumpvars = false;
        if (line.size() > 1 && line[0] == '#') {
            long long t = std::stoll(line.substr(1));
            if (t <= last_time) s.times_grow = false;
            last_time = t;
        } else if (line.size() == 2 && line[1] == '!') {
            int level = line[0] - '0';
            if (!in_dumpvars && scl == 0 && level == 1) ++s.scl_rises;
            scl = level;
        } else if (line.size() == 2 && line[1] == '"' && !in_dumpvars) {
            ++s.sda_changes;
        }
    }
    return s;
}

TEST(Trace, ReadActionGivesValidVcdWithOneRiseOfSclPerClock) {
    tool_dir dir;
    sim_board board(default_sim_chip(), std::vector<std::uint8_t>(default_sim_chip().size(), 0), true);
    {
        bus_trace trace;
        ASSERT_EQ(trace.open(dir.file("bus.vcd")), 0);
        parallel_device device(board, target_of(), &trace);
        menu_session session(device);
        testing::internal::CaptureStdout();
        read_eeprom_to_buffer(session);
        testing::internal::GetCapturedStdout();
    }

    vcd_summary vcd = read_vcd(dir.get("bus.vcd"));
    EXPECT_TRUE(vcd.header_ok);
    EXPECT_TRUE(vcd.times_grow);
    // start 1, control and word address 9 each, repeated start 1 (its start
    // finds SCL already high), read control 9, 128 bytes of 9 clocks, stop 1,
    // idle 1.
    EXPECT_EQ(vcd.scl_rises, 1 + 9 + 9 + 1 + 9 + 128 * 9 + 1 + 1);
    EXPECT_GT(vcd.sda_changes, 0);
}

}  // namespace
