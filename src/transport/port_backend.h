// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel port as the bus sees it: three registers, the bits that carry
// SDA and SCL, and the two busy-waits that pace every line change.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace eeprom24c01 {

// Registers of the first parallel port at its standard addresses.
inline constexpr std::uint16_t LPT_DATA = 0x378;     // write: bit 7 drives SDA
inline constexpr std::uint16_t LPT_STATUS = 0x379;   // read: bit 6 shows SDA
inline constexpr std::uint16_t LPT_CONTROL = 0x37A;  // write: bit 2 drives SCL

inline constexpr std::uint8_t SDA_OUT_BIT = 0x80;  // in LPT_DATA
inline constexpr std::uint8_t SDA_IN_BIT = 0x40;   // in LPT_STATUS
inline constexpr std::uint8_t SCL_OUT_BIT = 0x04;  // in LPT_CONTROL

// Bus line levels, for tracing: what is on the wires after the last access.
struct bus_levels {
    bool scl;
    bool sda;
};

// A port back end: the real ppdev or I/O-port access, the simulated board, or
// the recorder the tests use. The bus (bus/bus.h) drives exactly one of them.
struct port_backend {
    port_backend() = default;
    // A back end owns its port (a descriptor, a privilege, a chip file): a
    // copy would give it back twice.
    port_backend(const port_backend&) = delete;
    port_backend& operator=(const port_backend&) = delete;
    virtual ~port_backend() = default;

    // Called at the start of every device action. Returns "" when the port
    // is ours, otherwise one line saying why not and what to do about it.
    virtual std::string claim() { return {}; }
    // Called when a device action has finished with the port.
    virtual void action_end() {}
    // After action_end: "" or one line, with its newline, saying what the
    // board failed to keep (a simulated chip that could not be saved).
    virtual std::string action_problem() const { return {}; }
    // After port_lost: forget the port, so that the next action opens it afresh.
    virtual void abandon() {}
    // What the port is, for messages: "/dev/parport0", "the simulated board".
    virtual std::string name() const = 0;

    virtual void write(std::uint16_t reg, std::uint8_t value) = 0;
    virtual std::uint8_t read(std::uint16_t reg) = 0;

    // Whether the lines move in real time, so that a bit delay must last a
    // minimum time whatever the processor's speed.
    virtual bool keeps_real_time() const { return false; }
    // Hooks after the waits: the simulated board advances its clock, by the
    // length the wait stood for.
    virtual void bit_delay_end(std::chrono::nanoseconds /*length*/) {}
    virtual void write_cycle_end() {}

    // For the waveform trace only; must not touch the port.
    virtual std::uint64_t now_us() = 0;
    // The same clock in nanoseconds, for a trace of a faster bus.
    virtual std::uint64_t now_ns() { return now_us() * 1000; }
    virtual bus_levels levels() = 0;
};

// Thrown by a back end whose port stopped answering in the middle of an
// action (card or driver gone): the action ends at once, as nothing more can
// reach the lines. what() is the line, with its newline, naming the port and
// the cause.
struct port_lost : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace eeprom24c01
