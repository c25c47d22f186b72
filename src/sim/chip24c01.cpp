#include "sim/chip24c01.h"

#include <cstring>

void chip_reset(chip24c01& chip, const std::uint8_t* contents) {
    chip = chip24c01{};
    std::memcpy(chip.memory, contents, CHIP_SIZE);
}

bool chip_bus_sda(const chip24c01& chip) { return chip.master_sda && !chip.pulls_sda_low; }

bool chip_busy(const chip24c01& chip, std::uint64_t now_us) { return now_us < chip.busy_until_us; }

namespace {

void begin_byte(chip24c01& chip, chip_state state) {
    chip.state = state;
    chip.shift = 0;
    chip.bits = 0;
}

void on_start(chip24c01& chip) {
    // A START without a STOP abandons a write that was being collected.
    chip.write_pending = false;
    chip.pulls_sda_low = false;
    begin_byte(chip, chip_state::control);
}

void on_stop(chip24c01& chip, std::uint64_t now_us) {
    chip.pulls_sda_low = false;
    chip.state = chip_state::standby;
    if (!chip.write_pending) return;
    for (int i = 0; i < CHIP_PAGE_SIZE; ++i) {
        if (!chip.page_loaded[i]) continue;
        std::uint8_t value = static_cast<std::uint8_t>((chip.page[i] & ~chip.stuck_mask) | (chip.stuck_value & chip.stuck_mask));
        std::uint8_t& cell = chip.memory[chip.page_base + i];
        if (cell != value) chip.changed = true;
        cell = value;
    }
    chip.write_pending = false;
    chip.busy_until_us = now_us + chip.write_cycle_us;
}

// A whole byte has been clocked in; decides whether to acknowledge it.
// Returns the state to go to after the acknowledge, or standby to ignore it.
chip_state accept_byte(chip24c01& chip, std::uint64_t now_us) {
    std::uint8_t byte = chip.shift;
    if (chip.ack_limit >= 0 && chip.bytes_acknowledged >= chip.ack_limit) return chip_state::standby;
    switch (chip.state) {
        case chip_state::control:
            if ((byte & 0xFE) != CHIP_DEVICE_TYPE || chip_busy(chip, now_us)) return chip_state::standby;
            return (byte & 1) ? chip_state::data_out : chip_state::word_address;
        case chip_state::word_address:
            chip.address = byte & 0x7F;
            chip.page_base = chip.address & ~(CHIP_PAGE_SIZE - 1);
            std::memset(chip.page_loaded, 0, sizeof chip.page_loaded);
            return chip_state::data_in;
        case chip_state::data_in: {
            int slot = chip.address & (CHIP_PAGE_SIZE - 1);
            chip.page[slot] = byte;
            chip.page_loaded[slot] = true;
            chip.write_pending = true;
            // Within a page the counter wraps: a ninth byte overwrites the first.
            chip.address = static_cast<std::uint8_t>(chip.page_base | ((slot + 1) & (CHIP_PAGE_SIZE - 1)));
            return chip_state::data_in;
        }
        default:
            return chip_state::standby;
    }
}

void drive_bit(chip24c01& chip) { chip.pulls_sda_low = ((chip.shift << chip.bits) & 0x80) == 0; }

void load_next_read_byte(chip24c01& chip) {
    begin_byte(chip, chip_state::data_out);
    chip.shift = chip.memory[chip.address];
    chip.address = static_cast<std::uint8_t>((chip.address + 1) & (CHIP_SIZE - 1));
    drive_bit(chip);
}

// SDA as the chip sees it, sampled while SCL rises.
void on_rising_edge(chip24c01& chip, bool sda) {
    switch (chip.state) {
        case chip_state::control:
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

void on_falling_edge(chip24c01& chip, std::uint64_t now_us) {
    switch (chip.state) {
        case chip_state::control:
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

void chip_lines(chip24c01& chip, bool scl, bool master_sda, std::uint64_t now_us) {
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
