// A 24C01 serial EEPROM at the level of its two pins, after the 24C01A and
// 24LC01B datasheets. Every change of SCL or of the master's SDA output goes
// through chip_lines; the chip samples SDA on the rising edge of SCL and
// changes its own output only after SCL falls. SDA is open drain: the level
// on the wire is the master's output wired-AND with the chip's.
#pragma once

#include <cstdint>

inline constexpr int CHIP_SIZE = 128;
inline constexpr int CHIP_PAGE_SIZE = 8;
inline constexpr std::uint64_t CHIP_WRITE_CYCLE_US = 5000;  // tWR
inline constexpr std::uint8_t CHIP_DEVICE_TYPE = 0xA0;       // 1010, select 000

enum class chip_state {
    standby,       // waiting for a START
    control,       // shifting in the control byte
    word_address,  // shifting in the word address
    data_in,       // shifting in data bytes of a write
    acknowledge,   // pulling SDA low over the ninth clock
    data_out,      // driving the bits of a byte being read
    master_answer  // SDA released; the master acknowledges or not
};

struct chip24c01 {
    std::uint8_t memory[CHIP_SIZE];
    bool changed = false;  // memory differs from what was last saved

    // Line levels as the chip last saw them.
    bool scl = false;
    bool master_sda = false;
    bool pulls_sda_low = false;

    chip_state state = chip_state::standby;
    chip_state after_acknowledge = chip_state::standby;
    std::uint8_t shift = 0;
    int bits = 0;
    std::uint8_t address = 0;  // the current-address counter, 7 bits

    // A write collects its bytes here and commits them at STOP.
    std::uint8_t page[CHIP_PAGE_SIZE];
    bool page_loaded[CHIP_PAGE_SIZE];
    std::uint8_t page_base = 0;
    bool write_pending = false;
    std::uint64_t busy_until_us = 0;

    // Faults for tests.
    std::uint64_t write_cycle_us = CHIP_WRITE_CYCLE_US;
    long ack_limit = -1;  // stop acknowledging after this many bytes (-1: never)
    long bytes_acknowledged = 0;
    std::uint8_t stuck_mask = 0;    // bits of every cell that do not change
    std::uint8_t stuck_value = 0;   // and the level they are stuck at
};

// A chip holding contents (CHIP_SIZE bytes), lines low, in standby.
void chip_reset(chip24c01& chip, const std::uint8_t* contents);
// The one entry point: SCL and the master's SDA output after a change of
// either, at time now_us of bus time.
void chip_lines(chip24c01& chip, bool scl, bool master_sda, std::uint64_t now_us);
// The level of SDA on the wire.
bool chip_bus_sda(const chip24c01& chip);
bool chip_busy(const chip24c01& chip, std::uint64_t now_us);
