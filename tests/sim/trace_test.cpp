// SPDX-License-Identifier: GPL-3.0-or-later
// The VCD trace of a device action on the simulated board.
#include <gtest/gtest.h>

#include <sstream>

#include "app/menu_actions.h"
#include "bus/timing.h"
#include "bus/trace.h"
#include "eeprom/device_action.h"
#include "sim/sim_board.h"
#include "support/recording_port.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// The lines after each recorded change, at its time in the trace's unit.
struct vcd_change {
    long long t;
    bool scl, sda;
};

struct vcd_summary {
    bool header_ok = false;
    bool times_grow = true;
    int scl_rises = 0;
    int sda_changes = 0;
    std::vector<vcd_change> changes;
};

vcd_summary read_vcd(const std::string& text, const std::string& timescale = "1us") {
    vcd_summary s;
    s.header_ok = text.find("$timescale " + timescale + " $end") != std::string::npos &&
                  text.find("$var wire 1 ! SCL $end") != std::string::npos &&
                  text.find("$var wire 1 \" SDA $end") != std::string::npos &&
                  text.find("$enddefinitions $end") != std::string::npos;
    std::istringstream in(text.substr(text.find("$enddefinitions")));
    std::string line;
    long long last_time = -1;
    int scl = -1;
    bool in_dumpvars = false;
    vcd_change now{};
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
            now = {last_time, level == 1, now.sda};
            s.changes.push_back(now);
        } else if (line.size() == 2 && line[1] == '"') {
            if (!in_dumpvars) ++s.sda_changes;
            now = {last_time, now.scl, line[0] == '1'};
            s.changes.push_back(now);
        }
    }
    return s;
}

// Every phase of a trace in nanoseconds against one speed class's
// minimums; each shortfall is one line, "" when there is none.
std::string phases_short_of(const std::vector<vcd_change>& changes, const speed_class& c) {
    std::ostringstream out;
    constexpr long long NONE = -1;
    long long rose = NONE, fell = NONE, data_moved = NONE, started = NONE, stopped = NONE;
    auto keep = [&](const char* what, long long from, long long t, nanoseconds least) {
        if (from != NONE && t - from < least.count())
            out << what << " " << t - from << " ns < " << least.count() << " ns at " << t << "\n";
    };
    for (std::size_t i = 1; i < changes.size(); ++i) {
        const vcd_change& was = changes[i - 1];
        const vcd_change& is = changes[i];
        if (!was.scl && is.scl) {
            keep("tLOW", fell, is.t, c.low);
            keep("tSU;DAT", data_moved, is.t, c.data_setup);
            rose = is.t, data_moved = NONE, started = NONE;
        } else if (was.scl && !is.scl) {
            keep("tHIGH", rose, is.t, c.high);
            keep("tHD;STA", started, is.t, c.start_hold);
            fell = is.t;
        } else if (was.sda != is.sda && is.scl) {
            if (is.sda) {
                keep("tSU;STO", rose, is.t, c.stop_setup);
                stopped = is.t;
            } else {
                keep("tSU;STA", rose, is.t, c.start_setup);
                keep("tBUF", stopped, is.t, c.bus_free);
                started = is.t, stopped = NONE;
            }
        } else if (was.sda != is.sda) {
            keep("tHD;DAT", fell, is.t, c.data_hold);
            data_moved = is.t;
        }
    }
    return out.str();
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

// At each class's top clock, on a part rated for it: a page write, the poll
// that waits out its cycle, and a read with the master's acknowledges.
TEST(Trace, EveryPhaseAtAChosenClockKeepsItsSpeedClassMinimums) {
    for (const speed_class& c : speed_classes()) {
        SCOPED_TRACE(c.name);
        tool_dir dir;
        const chip_target target = target_of("at24c256");
        sim_board board(sim_chip_config_for(target), std::vector<std::uint8_t>(target.size(), 0xFF), true);
        {
            bus_trace trace;
            ASSERT_EQ(trace.open(dir.file("bus.vcd"), true), 0);
            parallel_device device(board, target, &trace, true, timing_at(c.max_hz, target.profile->write_cycle_ms));
            std::vector<std::uint8_t> page(64, 0x5A), back(16);
            device_outcome outcome = run_device_action(device, [&] {
                device_outcome o = device.write(64, page);
                if (o.result == device_result::done) o = device.finish_writes();
                if (o.result == device_result::done) o = device.read(64, back, {});
                return o;
            });
            EXPECT_EQ(outcome.result, device_result::done);
            EXPECT_EQ(back, std::vector<std::uint8_t>(16, 0x5A));
        }
        vcd_summary vcd = read_vcd(dir.get("bus.vcd"), "1ns");
        EXPECT_TRUE(vcd.header_ok);
        EXPECT_TRUE(vcd.times_grow);
        EXPECT_GT(vcd.scl_rises, 64 * 9 + 16 * 9);
        EXPECT_EQ(phases_short_of(vcd.changes, c), "");
    }
}

}  // namespace
