// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_board.h"

#include <cstring>

#include "text/printable_name.h"

namespace eeprom24c01 {

sim_board::sim_board(const sim_chip_config& config, std::span<const std::uint8_t> contents, bool chip_present)
    : chip_present_(chip_present) {
    chip_reset(chip_, config, contents);
}

bool sim_board::sda() const {
    if (sda_held_low) return false;
    // With the socket empty the pull-up holds SDA high wherever the master lets go.
    return chip_present_ ? chip_bus_sda(chip_) : (data_ & SDA_OUT_BIT) != 0;
}

void sim_board::write(std::uint16_t reg, std::uint8_t value) {
    ++counters_.port_writes;
    if (reg == LPT_DATA) data_ = value;
    else if (reg == LPT_CONTROL) control_ = value;
    else return;
    if (chip_present_ && !cable_unplugged) chip_lines(chip_, scl(), (data_ & SDA_OUT_BIT) != 0, now_us());
}

std::uint8_t sim_board::read(std::uint16_t reg) {
    if (reg != LPT_STATUS) return 0xFF;
    ++counters_.status_reads;
    if (cable_unplugged) return 0xFF;
    // Every status bit but SDA reads 1, so code that looks at them fails.
    return sda() ? 0xFF : static_cast<std::uint8_t>(0xFF & ~SDA_IN_BIT);
}

void sim_board::bit_delay_end(std::chrono::nanoseconds length) {
    ++counters_.bit_delays;
    clock_ns_ += static_cast<std::uint64_t>(length.count());
}

void sim_board::write_cycle_end() {
    ++counters_.write_cycle_waits;
    clock_ns_ += SIM_WRITE_CYCLE_WAIT_US * 1000;
}

void sim_board::action_end() {
    save_problem_.clear();
    if (!chip_file_.fd || !chip_.changed) return;
    if (int error = chip_file_save(chip_file_, chip_.memory))
        save_problem_ = "Could not save the simulated chip to " + printable_name(chip_file_.path) + ": " +
                        std::strerror(error) + ".\n";
    else
        chip_.changed = false;
}

}  // namespace eeprom24c01
