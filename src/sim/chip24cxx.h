// SPDX-License-Identifier: GPL-3.0-or-later
// A 24Cxx serial EEPROM at the level of its two pins, after the 24C01A,
// 24LC16B and 24LC256 datasheets (and the original 24C01's, which has no
// device code). Every change of SCL or of the master's SDA output goes
// through chip_lines; the chip samples SDA on the rising edge of SCL and
// changes its own output only after SCL falls. SDA is open drain: the level
// on the wire is the master's output wired-AND with the chip's.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "chip/chip_profile.h"

namespace eeprom24c01 {

// How long the simulated part's internal write cycle lasts: a typical part,
// inside every datasheet's maximum.
inline constexpr std::uint64_t CHIP_WRITE_CYCLE_US = 5000;

// Which part the model is and where it sits on the bus.
struct sim_chip_config {
    // The part and its bus address (0x50 to 0x57). The target's page_size is
    // what the tool writes with and plays no part here.
    chip_target target;
    // The page buffer, a power of two: a write past its end wraps to its start.
    std::uint16_t page_size;
    std::uint64_t write_cycle_us = CHIP_WRITE_CYCLE_US;  // tWR

    std::uint32_t size() const { return target.size(); }
};

// The part a target names, as a real one behaves: an exact part with its
// datasheet page, a generic name with the smallest page of the exact parts
// of its density (the worst case the tool must write within).
sim_chip_config sim_chip_config_for(const chip_target& target);
// The board's own part: the generic 24c01 at 0x50.
sim_chip_config default_sim_chip();

enum class chip_state {
    standby,       // waiting for a START
    control,       // shifting in the control byte (the original 24C01: the word address and R/W)
    address_high,  // shifting in the high byte of a two-byte word address
    word_address,  // shifting in the (low byte of the) word address
    data_in,       // shifting in data bytes of a write
    acknowledge,   // pulling SDA low over the ninth clock
    data_out,      // driving the bits of a byte being read
    master_answer  // SDA released; the master acknowledges or not
};

struct sim_chip {
    sim_chip_config config = default_sim_chip();
    std::vector<std::uint8_t> memory;  // config.size() bytes
    bool changed = false;  // memory differs from what was last saved

    // Line levels as the chip last saw them.
    bool scl = false;
    bool master_sda = false;
    bool pulls_sda_low = false;

    chip_state state = chip_state::standby;
    chip_state after_acknowledge = chip_state::standby;
    std::uint8_t shift = 0;
    int bits = 0;
    std::uint32_t address = 0;       // the current-address counter
    std::uint32_t address_in = 0;    // the word address being received

    // A write collects its bytes here and commits them at STOP.
    std::vector<std::uint8_t> page;  // config.page_size bytes
    std::vector<bool> page_loaded;
    std::uint32_t page_base = 0;
    bool write_pending = false;
    std::uint64_t busy_until_us = 0;

    // Faults for tests (a longer tWR is config.write_cycle_us).
    long ack_limit = -1;  // stop acknowledging after this many bytes (-1: never)
    long bytes_acknowledged = 0;
    std::uint8_t stuck_mask = 0;    // bits of every cell that do not change
    std::uint8_t stuck_value = 0;   // and the level they are stuck at
    // WP (pin 7) held high: every byte is acknowledged, but a STOP starts no
    // write cycle and stores nothing, as the 24LC datasheets describe.
    bool write_protected = false;
};

// The chip of config holding contents (config.size() bytes; missing ones
// read 0xFF), lines low, in standby.
void chip_reset(sim_chip& chip, const sim_chip_config& config, std::span<const std::uint8_t> contents);
// The one entry point: SCL and the master's SDA output after a change of
// either, at time now_us of bus time.
void chip_lines(sim_chip& chip, bool scl, bool master_sda, std::uint64_t now_us);
// The level of SDA on the wire.
bool chip_bus_sda(const sim_chip& chip);
bool chip_busy(const sim_chip& chip, std::uint64_t now_us);

}  // namespace eeprom24c01
