// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-device operations on a 24Cxx part behind the device interface. Each
// runs inside a device action (run_device_action) and returns what happened;
// none prints anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "device/eeprom_device.h"
#include "eeprom/device_action.h"

namespace eeprom24c01 {

// Told the bytes done so far of an operation and all it will do, for a
// progress display.
using byte_watch = std::function<void(std::size_t bytes_done, std::size_t bytes_total)>;

// Writes image (the whole part) one page transaction at a time, no
// transaction crossing a page of target().page_size. Without held every byte
// is written; with held (what the part holds now) only the run of differing
// bytes in each page. Then waits for the last write cycle and leaves the lines
// idle. outcome.bytes counts the bytes written; a signal ends the write
// between two transactions.
device_outcome write_image(eeprom_device& device, std::span<const std::uint8_t> image,
                           std::span<const std::uint8_t> held = {}, const byte_watch& watch = {});
// Whether the device lets the part be written, as a PC's memory bus does
// not unless forced: done, or port_refused with the device's one line. A
// write or an erase asks before it reads or writes anything.
device_outcome writes_allowed(const eeprom_device& device);
// Reads the whole part in one sequential read from offset 0, ended with a
// stop (both lines low). buffer receives the bytes only when all of them were
// read; after no acknowledge or an interruption it is left as it was.
device_outcome read_image(eeprom_device& device, std::span<std::uint8_t> buffer, const byte_watch& watch = {});
// read_image, then the lines left idle however it went. outcome.bytes counts
// the bytes read even when the idle lines are the last step, so that a
// signal noted after the read is told from one during it.
device_outcome read_image_then_idle(eeprom_device& device, std::span<std::uint8_t> buffer,
                                    const byte_watch& watch = {});
// Whether an action that ended with read_image_then_idle into size bytes got
// them all: done, or interrupted by a signal noted after the last byte came
// in, with nothing else gone wrong.
bool read_complete(const device_outcome& outcome, std::size_t size);
// The test every read, write and verify begins with, since a dead or stuck
// status bit makes every poll look acknowledged: the device's line test (if
// it has one), with the lines left idle when it fails. Done, sda_not_driven,
// sda_held_low, port_lost, or interrupted when a signal came during it.
device_outcome lines_ready(eeprom_device& device);

}  // namespace eeprom24c01
