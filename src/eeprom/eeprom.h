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
// Reads the whole part in one sequential read from offset 0, ended with a
// stop (both lines low). buffer receives the bytes only when all of them were
// read; after no acknowledge or an interruption it is left as it was.
device_outcome read_image(eeprom_device& device, std::span<std::uint8_t> buffer, const byte_watch& watch = {});
// The test every read, write and verify begins with, since a dead or stuck
// status bit makes every poll look acknowledged: the device's line test (if
// it has one), with the lines left idle when it fails. Done, sda_not_driven,
// sda_held_low, port_lost, or interrupted when a signal came during it.
device_outcome lines_ready(eeprom_device& device);
