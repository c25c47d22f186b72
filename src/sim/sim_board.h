// SPDX-License-Identifier: GPL-3.0-or-later
// The demo board in software: port registers in, bus lines out, a 24Cxx part
// (or an empty socket) on the lines. Time is virtual: each bit delay lasts its
// nominal 5 us (at a chosen clock, its phase's length) and each write-cycle
// wait 500 us (the same 100 counts per 5 us), so nothing depends on the
// machine's speed and nothing waits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sim/chip24cxx.h"
#include "transport/port_backend.h"
#include "sim/chip_file.h"

namespace eeprom24c01 {

// The bus's default bit delay, as it tells the board after each one.
inline constexpr std::uint64_t SIM_BIT_DELAY_US = 5;
inline constexpr std::uint64_t SIM_WRITE_CYCLE_WAIT_US = 500;

struct sim_counters {
    std::uint64_t port_writes = 0;
    std::uint64_t status_reads = 0;
    std::uint64_t bit_delays = 0;
    std::uint64_t write_cycle_waits = 0;
};

class sim_board : public port_backend {
public:
    // A board with the part of config holding contents (config.size()
    // bytes), or with its socket empty.
    sim_board(const sim_chip_config& config, std::span<const std::uint8_t> contents, bool chip_present);

    // Saves the chip to file after every device action that changed it; the
    // file is closed when the board goes away.
    void keep_chip_in(chip_file file) { chip_file_ = std::move(file); }

    // Board faults. A cable with nothing on its far end: every status bit
    // reads 1 whatever is written. SDA held low, as by a board without power.
    bool cable_unplugged = false;
    bool sda_held_low = false;

    void action_end() override;
    std::string action_problem() const override { return save_problem_; }
    std::string name() const override { return "the simulated board"; }
    void write(std::uint16_t reg, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t reg) override;
    void bit_delay_end(std::chrono::nanoseconds length) override;
    void write_cycle_end() override;
    std::uint64_t now_us() override { return clock_ns_ / 1000; }
    std::uint64_t now_ns() override { return clock_ns_; }
    bus_levels levels() override { return {scl(), sda()}; }

    sim_chip& chip() { return chip_; }
    const sim_counters& counters() const { return counters_; }
    void advance_us(std::uint64_t us) { clock_ns_ += us * 1000; }

private:
    bool scl() const { return (control_ & SCL_OUT_BIT) != 0; }
    bool sda() const;

    sim_chip chip_;
    bool chip_present_;
    chip_file chip_file_;
    std::string save_problem_;
    // A port after reset drives both registers 0: both lines low.
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    std::uint64_t clock_ns_ = 0;
    sim_counters counters_;
};

}  // namespace eeprom24c01
