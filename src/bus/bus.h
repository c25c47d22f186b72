// SPDX-License-Identifier: GPL-3.0-or-later
// Two-wire bus conditions built from port writes, status reads and delays,
// on one port back end. Each primitive is an exact, fixed run of register
// accesses; see bus.cpp for the line state each one expects on entry and
// leaves behind, and the phase each wait keeps (timing.h says how long).
// What the bytes mean belongs to the chip layer.
#pragma once

#include <cstdint>
#include <string>

#include "bus/timing.h"
#include "bus/trace.h"
#include "transport/port_backend.h"

namespace eeprom24c01 {

// Register images for a fixed line level.
inline constexpr std::uint8_t SDA_HIGH = 0x80;
inline constexpr std::uint8_t SDA_LOW = 0x00;
inline constexpr std::uint8_t SCL_HIGH = 0x04;
inline constexpr std::uint8_t SCL_LOW = 0x00;

class two_wire_bus {
public:
    // trace, when given, records every port write.
    explicit two_wire_bus(port_backend& port, bus_trace* trace = nullptr, const bus_timing& timing = {})
        : port_(port), trace_(trace), timing_(timing), waits_(port, timing_) {}
    // The waits refer to this bus's own timing: a copy's would outlive it.
    two_wire_bus(const two_wire_bus&) = delete;
    two_wire_bus& operator=(const two_wire_bus&) = delete;

    port_backend& port() const { return port_; }
    const bus_timing& timing() const { return timing_; }
    counted_waits& waits() { return waits_; }

    // Start and end of a device action (port_backend::claim, action_end and
    // abandon); the trace is flushed at the end of each. release returns
    // port_backend::action_problem.
    std::string claim() { return port_.claim(); }
    std::string release();
    void abandon();

    // One line change, then the wait of the phase it begins.
    void set_sda(std::uint8_t data_register, bus_phase phase);
    void set_scl(std::uint8_t control_register, bus_phase phase);
    // One status read: whether SDA is high now. No delay follows.
    bool sample_sda();
    // The mean time of one register access, from a few status reads timed
    // on the monotonic clock; the lines do not move.
    std::chrono::nanoseconds access_time();

    void start();
    void restart();
    void send_bit(std::uint8_t value);
    void send_byte(std::uint8_t byte);
    void send_fixed_byte(std::uint8_t byte);
    void ack_clock();
    bool ack_clock_read();
    std::uint8_t receive_byte();
    void master_ack();
    void master_nack();
    void stop();
    void idle();

    // Board checks, outside the chip's protocol.
    // Any state -> SCL low, SDA at the level given; returns whether the status
    // register then shows SDA high.
    bool sense_sda(std::uint8_t data_register);
    // SCL low, SDA released, a chip left mid-byte holding SDA low -> up to nine
    // clocks until it lets go. Returns the clocks given, or -1 if SDA stayed low.
    int clear();

    void write_cycle_wait() { waits_.write_cycle_wait(); }

private:
    void write(std::uint16_t reg, std::uint8_t value);
    void change(std::uint16_t reg, std::uint8_t value, bus_phase phase);

    port_backend& port_;
    bus_trace* trace_;
    bus_timing timing_;
    counted_waits waits_;
};

}  // namespace eeprom24c01
