// SPDX-License-Identifier: GPL-3.0-or-later
// The device interface on a bit-banged two-wire bus: the parallel port (or
// the simulated board, or the tests' recorder) with SCL and SDA driven one
// register access at a time. It owns the bus sequences of every transaction;
// for the default 24C01 they are the same register accesses the tool has
// always made. A port lost in the middle of a sequence ends the sequence and
// comes back as a port_lost outcome; the port is then abandoned, so that the
// next action opens it afresh.
#pragma once

#include <functional>

#include "bus/bus.h"
#include "device/eeprom_device.h"
#include "device/write_cycles.h"

namespace eeprom24c01 {

class parallel_device : public eeprom_device {
public:
    // checked: the acknowledge of every byte the master sends is read, and a
    // refused byte ends the write (byte_refused) or the read (byte_refused for
    // its word address, no_acknowledge for the control byte after its
    // repeated start); without it those acknowledge clocks are not read, as
    // the menu's writes and reads have always been.
    // timing: the old bit delays, or a chosen clock (timing_at).
    parallel_device(port_backend& port, const chip_target& target, bus_trace* trace = nullptr, bool checked = false,
                    const bus_timing& timing = {})
        : bus_(port, trace, timing), target_(target), checked_(checked) {}

    // Called once, at the first claim, when a chosen clock is more than the
    // real port's own accesses allow; the front end says so.
    std::function<void(const bus_speed&)> on_slowed_clock;

    std::string name() const override { return bus_.port().name(); }
    const chip_target& target() const override { return target_; }
    device_outcome begin_action() override;
    device_outcome end_action() override;
    bool has_line_test() const override { return true; }
    bus_speed speed() override;
    device_outcome test_lines(int& clearing_clocks) override;
    device_outcome probe() override;
    device_outcome read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) override;
    device_outcome write(std::uint32_t offset, std::span<const std::uint8_t> data) override;
    device_outcome finish_writes() override;
    device_outcome idle() override;
    bool writes_took_no_cycle() const override { return cycles_.none_taken(); }
    device_outcome scan(std::vector<std::uint8_t>& answering) override;

    // Polls at offset, sends its word address, a repeated start and the read
    // byte: the chip is then ready to send the byte at offset. no_acknowledge
    // when the chip never answered the poll (the lines then left as poll_ack
    // leaves them) or, checked, the read byte; byte_refused when, checked, it
    // refused the word address. No stop follows a failure.
    device_outcome begin_read(std::uint32_t offset);

    two_wire_bus& bus() { return bus_; }

private:
    device_outcome guarded(const std::function<device_outcome()>& steps);
    device_result sda_follows();
    device_outcome silent_chip(std::uint32_t offset);
    device_outcome refused_byte(std::uint32_t offset, device_outcome outcome);
    bool polled(std::uint8_t first_byte);
    bool acknowledged();

    two_wire_bus bus_;
    chip_target target_;
    std::uint32_t last_written_ = 0;  // the last byte the last write sent
    device_outcome lost_;             // port_lost once the port failed in this action
    bool checked_;
    write_cycles cycles_;  // this action's writes, and whether the next poll found each done at once
    bool clock_told_ = false;
};

}  // namespace eeprom24c01
