// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/chip24cxx.h"

#include <algorithm>

namespace eeprom24c01 {

sim_chip_config sim_chip_config_for(const chip_target& target) {
    const chip_profile& p = *target.profile;
    return {target, p.generic() ? smallest_page_of_size(p.size) : p.page_size};
}

sim_chip_config default_sim_chip() {
    return sim_chip_config_for({&default_chip(), default_chip().page_size, BASE_BUS_ADDRESS});
}

void chip_reset(sim_chip& chip, const sim_chip_config& config, std::span<const std::uint8_t> contents) {
    chip = sim_chip{};
    chip.config = config;
    chip.memory.assign(config.size(), 0xFF);
    std::copy_n(contents.begin(), std::min(contents.size(), chip.memory.size()), chip.memory.begin());
    chip.page.assign(config.page_size, 0);
    chip.page_loaded.assign(config.page_size, false);
}

bool chip_bus_sda(const sim_chip& chip) { return chip.master_sda && !chip.pulls_sda_low; }

bool chip_busy(const sim_chip& chip, std::uint64_t now_us) { return now_us < chip.busy_until_us; }

namespace {

const chip_profile& profile(const sim_chip& chip) { return *chip.config.target.profile; }

std::uint32_t block_mask(const sim_chip& chip) { return (1u << profile(chip).block_bits) - 1; }

// Whether a control byte names this chip: its device code and select pins,
// with the bits the part takes as block bits free.
bool selects(const sim_chip& chip, std::uint8_t byte) {
    std::uint32_t compared = 0x7F & ~block_mask(chip);
    return ((byte >> 1) & compared) == (chip.config.target.bus_address & compared);
}

void begin_byte(sim_chip& chip, chip_state state) {
    chip.state = state;
    chip.shift = 0;
    chip.bits = 0;
}

void on_start(sim_chip& chip) {
    // A START without a STOP abandons a write that was being collected.
    chip.write_pending = false;
    chip.pulls_sda_low = false;
    begin_byte(chip, chip_state::control);
}

void on_stop(sim_chip& chip, std::uint64_t now_us) {
    chip.pulls_sda_low = false;
    chip.state = chip_state::standby;
    if (!chip.write_pending || chip.write_protected) {
        chip.write_pending = false;
        return;
    }
    for (std::size_t i = 0; i < chip.page.size(); ++i) {
        if (!chip.page_loaded[i]) continue;
        std::uint8_t value = static_cast<std::uint8_t>((chip.page[i] & ~chip.stuck_mask) | (chip.stuck_value & chip.stuck_mask));
        std::uint8_t& cell = chip.memory[chip.page_base + i];
        if (cell != value) chip.changed = true;
        cell = value;
    }
    chip.write_pending = false;
    chip.busy_until_us = now_us + chip.config.write_cycle_us;
}

// The word address is complete: the counter takes it and a write's page
// buffer opens on the page that holds it.
chip_state address_complete(sim_chip& chip, std::uint32_t address) {
    chip.address = address & (chip.config.size() - 1);
    chip.page_base = chip.address & ~static_cast<std::uint32_t>(chip.page.size() - 1);
    std::fill(chip.page_loaded.begin(), chip.page_loaded.end(), false);
    return chip_state::data_in;
}

// The first byte after a START. Returns the state after its acknowledge, or
// standby when the chip does not answer it.
chip_state accept_first_byte(sim_chip& chip, std::uint8_t byte) {
    bool read = (byte & 1) != 0;
    if (profile(chip).style == addressing::word_in_first_byte) {
        // No device code: every first byte is this chip's word address.
        chip_state next = address_complete(chip, byte >> 1);
        return read ? chip_state::data_out : next;
    }
    if (!selects(chip, byte)) return chip_state::standby;
    // A read goes on from the counter, whatever block bits it carries.
    if (read) return chip_state::data_out;
    chip.address_in = ((byte >> 1) & block_mask(chip)) << 8;
    return profile(chip).address_bytes == 2 ? chip_state::address_high : chip_state::word_address;
}

// A whole byte has been clocked in; decides whether to acknowledge it.
// Returns the state to go to after the acknowledge, or standby to ignore it.
chip_state accept_byte(sim_chip& chip, std::uint64_t now_us) {
    std::uint8_t byte = chip.shift;
    if (chip.ack_limit >= 0 && chip.bytes_acknowledged >= chip.ack_limit) return chip_state::standby;
    switch (chip.state) {
        case chip_state::control:
            if (chip_busy(chip, now_us)) return chip_state::standby;
            return accept_first_byte(chip, byte);
        case chip_state::address_high:
            chip.address_in = static_cast<std::uint32_t>(byte) << 8;
            return chip_state::word_address;
        case chip_state::word_address:
            return address_complete(chip, chip.address_in | byte);
        case chip_state::data_in: {
            std::uint32_t slot = chip.address - chip.page_base;
            chip.page[slot] = byte;
            chip.page_loaded[slot] = true;
            chip.write_pending = true;
            // Within a page the counter wraps: a byte past its end overwrites the first.
            chip.address = chip.page_base + (slot + 1) % chip.page.size();
            return chip_state::data_in;
        }
        default:
            return chip_state::standby;
    }
}

void drive_bit(sim_chip& chip) { chip.pulls_sda_low = ((chip.shift << chip.bits) & 0x80) == 0; }

void load_next_read_byte(sim_chip& chip) {
    begin_byte(chip, chip_state::data_out);
    chip.shift = chip.memory[chip.address];
    // A sequential read wraps at the end of the whole memory.
    chip.address = (chip.address + 1) & (chip.config.size() - 1);
    drive_bit(chip);
}

// SDA as the chip sees it, sampled while SCL rises.
void on_rising_edge(sim_chip& chip, bool sda) {
    switch (chip.state) {
        case chip_state::control:
        case chip_state::address_high:
        case chip_state::word_address:
        case chip_state::data_in:
            if (chip.bits < 8) chip.shift = static_cast<std::uint8_t>((chip.shift << 1) | (sda ? 1 : 0));
            ++chip.bits;
            break;
        case chip_state::data_out:
            ++chip.bits;
            break;
        case chip_state::master_answer:
            // Low: the master wants another byte. High: it has finished, and
            // the chip leaves SDA alone until the next STOP or START.
            chip.state = sda ? chip_state::standby : chip_state::data_out;
            chip.bits = sda ? 0 : -1;  // -1: the next fall starts a new byte
            break;
        default:
            break;
    }
}

void on_falling_edge(sim_chip& chip, std::uint64_t now_us) {
    switch (chip.state) {
        case chip_state::control:
        case chip_state::address_high:
        case chip_state::word_address:
        case chip_state::data_in:
            if (chip.bits < 8) break;
            chip.after_acknowledge = accept_byte(chip, now_us);
            if (chip.after_acknowledge == chip_state::standby) {
                chip.state = chip_state::standby;
                break;
            }
            ++chip.bytes_acknowledged;
            chip.state = chip_state::acknowledge;
            chip.pulls_sda_low = true;
            break;
        case chip_state::acknowledge:
            chip.pulls_sda_low = false;
            if (chip.after_acknowledge == chip_state::data_out) load_next_read_byte(chip);
            else begin_byte(chip, chip.after_acknowledge);
            break;
        case chip_state::data_out:
            if (chip.bits < 0) load_next_read_byte(chip);
            else if (chip.bits < 8) drive_bit(chip);
            else {
                chip.pulls_sda_low = false;
                chip.state = chip_state::master_answer;
            }
            break;
        default:
            break;
    }
}

}  // namespace

void chip_lines(sim_chip& chip, bool scl, bool master_sda, std::uint64_t now_us) {
    bool old_scl = chip.scl;
    bool old_sda = chip_bus_sda(chip);
    chip.master_sda = master_sda;
    chip.scl = scl;
    bool sda = chip_bus_sda(chip);

    if (old_scl && scl) {
        // SDA moving while SCL stays high is START (falling) or STOP (rising).
        if (old_sda && !sda) on_start(chip);
        else if (!old_sda && sda) on_stop(chip, now_us);
    } else if (!old_scl && scl) {
        on_rising_edge(chip, sda);
    } else if (old_scl && !scl) {
        on_falling_edge(chip, now_us);
    }
}

}  // namespace eeprom24c01
