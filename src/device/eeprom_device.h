// SPDX-License-Identifier: GPL-3.0-or-later
// One 24Cxx part on some bus, as the whole-device operations see it: the
// seam between them and a transport. The bit-banged parallel port implements
// it with its own bus sequences; a transport whose kernel runs the bus
// (i2c-dev) implements it with whole messages. Offsets are byte offsets into
// the part; the device turns them into control bytes and word addresses
// (chip/chip_profile.h: locate).
//
// Even test_lines, idle and end_action return a device_outcome, so that a
// port lost during them, or a board that could not keep what was written (a
// simulated chip not saved), reaches the front end with its message like
// every other failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "chip/chip_profile.h"
#include "device/device_outcome.h"

namespace eeprom24c01 {

// Called after each byte a read has taken in, with the count so far; false
// makes that byte the last one (a signal, say). Progress displays hook here.
using read_watch = std::function<bool(std::size_t bytes_done)>;

// The bus's clock as --check and a chosen clock report it.
struct bus_speed {
    std::uint32_t clock_hz = 0;  // --clock; 0: the old bit delays
    bool measured = false;       // a real port's access time was timed
    std::chrono::nanoseconds access{};
    std::uint32_t reach_hz = 0;  // the fastest clock the port reaches
    std::uint32_t real_hz = 0;   // what clock_hz really runs at on it
    bool slowed = false;         // the port's own accesses slow clock_hz down
};

class eeprom_device {
public:
    eeprom_device() = default;
    eeprom_device(const eeprom_device&) = delete;
    eeprom_device& operator=(const eeprom_device&) = delete;
    virtual ~eeprom_device() = default;

    // What the bus is, for messages: "/dev/parport0", "/dev/i2c-1".
    virtual std::string name() const = 0;
    virtual const chip_target& target() const = 0;

    // Start and end of every device action: the transport is claimed and
    // given back. A refusal is port_refused with its one-line message; an end
    // is done, or port_lost with a line saying what the board failed to keep.
    virtual device_outcome begin_action() = 0;
    virtual device_outcome end_action() = 0;

    // Whether SDA can be tested against the master's own drive. False where
    // the kernel owns the lines.
    virtual bool has_line_test() const { return false; }
    // SDA driven low must read low and released must read high; a chip left
    // mid-transfer holding SDA is clocked free first. done, sda_not_driven,
    // sda_held_low or port_lost; clearing_clocks receives the clocks that freed
    // a held bus (-1 when none were needed or none helped).
    virtual device_outcome test_lines(int& clearing_clocks) {
        clearing_clocks = -1;
        return {};
    }

    // Within an action, where there is no line test: what the kernel says the
    // bus is, for --check ("bcm2835 (i2c@7e804000), plain I2C transfers").
    virtual std::string bus_summary() const { return {}; }
    // Where there is no line test: what runs the lines, for --check.
    virtual std::string lines_runner() const { return "the kernel"; }
    // Within an action, on a bit-banged bus: its clock, a real port's access
    // time measured now. {} where the kernel runs the bus.
    virtual bus_speed speed() { return {}; }
    // Within an action: "" when the part may be written or erased here, or
    // the one line saying why not; write() then refuses with it too.
    virtual std::string write_refusal() const { return {}; }

    // Whether the chip answers its address, a write cycle in progress waited
    // out within its bound. Leaves the bus idle.
    virtual device_outcome probe() = 0;
    // Reads out.size() bytes from offset on. outcome.bytes counts the bytes
    // taken in; out receives them in order (a shorter read leaves the rest).
    virtual device_outcome read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) = 0;
    // One write transaction of data at offset. data must not cross a page of
    // target().page_size. The chip's write cycle is waited out before the next
    // transaction on the bus, so writes follow each other acknowledged.
    virtual device_outcome write(std::uint32_t offset, std::span<const std::uint8_t> data) = 0;
    // Waits for the last write's cycle to end, so a read straight after finds
    // the bytes written. Leaves the bus idle.
    virtual device_outcome finish_writes() = 0;
    // Leaves the lines idle (both high) after whatever came before.
    virtual device_outcome idle() { return {}; }

    // Whether every write transaction of this action was followed by a chip
    // that answered at once, as one that took no write cycle does: a chip
    // whose write-protect pin is held high. False when nothing was written.
    virtual bool writes_took_no_cycle() const { return false; }
    // Within an action, for --check: the 7-bit addresses from 0x50 to 0x57 at
    // which something acknowledges, asked without writing anything.
    virtual device_outcome scan(std::vector<std::uint8_t>& answering) = 0;
};

}  // namespace eeprom24c01
