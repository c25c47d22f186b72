// SPDX-License-Identifier: GPL-3.0-or-later
// A 24Cxx part on a CH341A USB programmer: the device speaks the
// programmer's I2C stream through a ch341_link. Every byte the chip may
// refuse goes out with OUT of length 0, whose status byte says whether it
// was acknowledged: control bytes, word addresses and the data of writes.
// Reads take 32 bytes per packet and do not acknowledge their last byte. A
// write's cycle is waited out by acknowledge polling, within the part's tWR
// and a margin (bus/timing.h). A link that fails part way ends the action
// with port_lost and a line naming the programmer, the cause and the last
// byte known written.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "bus/timing.h"
#include "device/ch341_packets.h"
#include "device/eeprom_device.h"
#include "device/write_cycles.h"
#include "transport/ch341_link.h"

namespace eeprom24c01 {

// The time polls are bounded by: the steady clock, or the emulator's bus
// time in tests and the benchmark.
using ch341_clock = std::function<std::chrono::microseconds()>;

// The clock a --clock of clock_hz gives (0: the default 100 kHz): the
// fastest of the programmer's 20, 100, 400 and 750 kHz not above it, and
// the SET bits that choose it.
struct ch341_speed {
    unsigned bits;
    std::uint32_t hz;
};
ch341_speed ch341_speed_for(std::uint32_t clock_hz);

class ch341_device : public eeprom_device {
public:
    ch341_device(ch341_link& link, const chip_target& target, std::uint32_t clock_hz, ch341_clock clock = {},
                 bus_timing timing = {});

    std::string name() const override { return link_.name(); }
    const chip_target& target() const override { return target_; }
    device_outcome begin_action() override;
    device_outcome end_action() override;
    // The programmer (bus, device, version) and its clock.
    std::string bus_summary() const override;
    std::string lines_runner() const override { return "the programmer"; }

    device_outcome probe() override;
    device_outcome read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) override;
    device_outcome write(std::uint32_t offset, std::span<const std::uint8_t> data) override;
    device_outcome finish_writes() override;
    device_outcome idle() override { return lost_; }
    bool writes_took_no_cycle() const override { return cycles_.none_taken(); }
    device_outcome scan(std::vector<std::uint8_t>& answering) override;

private:
    // The packets gathered so far out in one transfer, and the bytes they
    // owe back into answers_; an error loses the link for the action.
    int exchange();
    // Whether the byte whose status is answers_[i] was refused.
    bool refused(std::size_t i) const;
    device_outcome lost(int error);
    // STA, first_byte, STO until acknowledged: the tries, 0 for none within
    // the bound; -1 when the link failed.
    long poll(std::uint8_t first_byte);
    device_outcome polled(std::uint8_t first_byte, std::uint32_t offset);
    device_outcome read_data(std::span<std::uint8_t> out, const read_watch& watch);
    std::chrono::microseconds now() const;

    ch341_link& link_;
    chip_target target_;
    ch341_speed speed_;
    ch341_clock clock_;
    bus_timing timing_;
    ch341_packets packets_;
    std::vector<std::uint8_t> answers_;
    device_outcome lost_;             // port_lost once the link failed in this action
    long last_written_ = -1;          // the last byte of the last write acknowledged whole (-1: none)
    bool cycle_pending_ = false;      // a write's cycle may still run
    write_cycles cycles_;
};

}  // namespace eeprom24c01
