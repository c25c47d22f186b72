// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A's I2C stream in software, in front of the simulated chip: each
// OUT packet is decoded as the programmer reads it (0xAA, then STA, STO,
// OUT, IN, SET, US, MS sub-commands up to END or the packet's end) and played
// on the chip's pins; the bytes the stream owes (read data, and the status
// byte of each OUT with length 0) wait on a queue for the IN endpoint. Time
// is virtual: each bit lasts a period of the clock SET chose (100 kHz until
// then), US and MS wait, and every IN transfer costs the host a USB round
// trip of one full-speed frame. The chip's write cycle runs on that clock.
// The tests' link and the umockdev test bed both drive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>

#include "sim/chip24cxx.h"
#include "sim/line_master.h"
#include "transport/ch341_stream_codes.h"

namespace eeprom24c01 {

// A USB full-speed frame: what the host waits for an answer.
inline constexpr std::uint64_t CH341_ROUND_TRIP_US = 1000;

// What went through the programmer, for the benchmark and the tests.
struct ch341_counts {
    std::uint64_t out_transfers = 0;
    std::uint64_t out_packets = 0;
    std::uint64_t out_bytes = 0;
    std::uint64_t full_out_packets = 0;  // filled to their last byte, with no END
    std::uint64_t in_transfers = 0;      // each one a round trip
    std::uint64_t in_packets = 0;        // of up to 32 bytes
    std::uint64_t in_bytes = 0;
    std::uint64_t bus_ns = 0;            // bit periods on the lines
    std::uint64_t protocol_errors = 0;
};

class ch341_stream {
public:
    // The part of config holding contents, or an empty socket.
    ch341_stream(const sim_chip_config& config, std::span<const std::uint8_t> contents, bool chip_present = true);
    ch341_stream(const ch341_stream&) = delete;
    ch341_stream& operator=(const ch341_stream&) = delete;

    // One bulk OUT transfer: its 32-byte packets decoded in turn. 0, or
    // ENODEV once unplugged.
    int out_transfer(std::span<const std::uint8_t> data);
    // One bulk IN transfer of exactly in.size() owed bytes, after a round
    // trip. 0; ETIMEDOUT (and a protocol error) when fewer are owed; ENODEV
    // once unplugged.
    int in_transfer(std::span<std::uint8_t> in);
    // One OUT packet as the programmer reads it; a malformed one is a
    // protocol error and goes no further than its fault.
    void packet(std::span<const std::uint8_t> bytes);
    // The owed bytes waiting for the IN endpoint; take moves up to
    // out.size() of them out and says how many.
    std::size_t owed() const { return owed_.size(); }
    std::size_t take(std::span<std::uint8_t> out);

    sim_chip& chip() { return chip_; }
    const ch341_counts& counts() const { return counts_; }
    // Bus time, waits and round trips.
    std::uint64_t now_us() const { return now_ns_ / 1000; }
    std::uint32_t clock_hz() const { return CH341_CLOCKS_HZ[speed_]; }
    // The first protocol error, in words ("" when none).
    const std::string& first_error() const { return first_error_; }

    // Faults: the programmer pulled out after this many transfers (OUT and
    // IN; -1: never); every transfer after it fails with ENODEV.
    long unplug_after = -1;
    bool unplugged() const { return unplug_after >= 0 && transfers_ >= static_cast<std::uint64_t>(unplug_after); }

private:
    bool present();
    void error(const std::string& what);
    void wait_ns(std::uint64_t ns) { now_ns_ += ns; }

    sim_chip chip_;
    line_master master_;
    std::deque<std::uint8_t> owed_;
    ch341_counts counts_;
    std::uint64_t now_ns_ = 0;
    std::uint64_t transfers_ = 0;
    unsigned speed_ = 1;
    std::uint8_t junk_ = 0;  // the status byte's bits other than bit 7, which mean nothing known
    std::string first_error_;
};

}  // namespace eeprom24c01
