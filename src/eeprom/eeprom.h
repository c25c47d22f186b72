// Whole-device operations on the 24C01. Each runs inside a device action
// (run_device_action) and returns what happened; none prints anything.
#pragma once

#include <cstdint>

#include "eeprom/device_action.h"

// Loop counter of the write; its low 8 bits are the word address sent.
extern std::int32_t bus_address;

// Programs all 128 bytes of image, one byte per transaction, waits for the
// chip to finish the last one, and leaves the lines idle.
device_outcome write_whole_device(const std::uint8_t* image);
// Polls the chip at DEVICE_WRITE, sends word address 0, a repeated start and
// DEVICE_READ: the chip is then ready to send byte 0. False when the chip
// never acknowledged; the lines are then left as poll_ack leaves them.
bool begin_read_at_zero();
// Reads the whole device in one sequential read from address 0 and ends with
// a stop, both lines low. buffer receives the 128 bytes only when all of them
// were read; after no acknowledge or an interruption it is left as it was.
device_outcome read_whole_device(std::uint8_t* buffer);

// SDA tested against the port with SCL low: driven low it must read low,
// released it must read high. A chip left mid-transfer that holds SDA low is
// clocked free and the bus stopped before the test is made again.
struct line_check {
    device_result result = device_result::done;  // or sda_not_driven, sda_held_low
    int clearing_clocks = -1;                      // clocks that freed a held bus, or -1
};
line_check check_lines();
// The test every read, write and verify begins with, since a dead or stuck
// status bit makes every poll look acknowledged: check_lines, with the lines
// left idle when it fails. Done, sda_not_driven, sda_held_low, or
// interrupted when a signal came during it.
device_outcome lines_ready();
// Polls the chip at DEVICE_WRITE, then stop and idle; true if it answered.
bool chip_answers();
