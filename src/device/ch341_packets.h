// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A's I2C stream commands packed into its 32-byte OUT packets: the
// one place that knows their layout. Every packet starts with 0xAA and ends
// with END or its last byte; no sub-command and its data straddle two
// packets, and no packet reads more than 32 bytes. A packet closed early
// inside a transfer is padded with END to 32 bytes, since the programmer
// reads every 32 bytes of a transfer as one packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace eeprom24c01 {

class ch341_packets {
public:
    void start();
    void stop();
    // The byte sent with OUT of length 0: its acknowledge comes back as a
    // status byte (bit 7: not acknowledged).
    void send_checked(std::uint8_t byte);
    // n bytes (1 to 32) read and acknowledged.
    void read(std::size_t n);
    // One byte read and not acknowledged: the last of a read.
    void read_last();
    void set_clock(unsigned speed);
    // Ends the packet: what follows starts a new one.
    void close_packet();

    // The transfer, its last packet ended; and the bytes it owes on IN.
    const std::vector<std::uint8_t>& transfer();
    std::size_t owed() const { return owed_; }
    std::size_t packets() const { return (bytes_.size() + 31) / 32; }
    bool empty() const { return bytes_.empty(); }
    void clear();

private:
    void put(std::initializer_list<std::uint8_t> command, std::size_t reads = 0);

    std::vector<std::uint8_t> bytes_;
    std::size_t owed_ = 0;
    std::size_t read_in_packet_ = 0;
    bool ended_ = false;
};

}  // namespace eeprom24c01
