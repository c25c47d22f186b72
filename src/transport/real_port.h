// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <chrono>

#include "transport/port_backend.h"

namespace eeprom24c01 {

// What the two real port back ends share: real time, which the bus paces
// its bit delays in, a clock for the trace, and the levels the master drives
// (a port cannot see more).
class real_port : public port_backend {
public:
    bool keeps_real_time() const override { return true; }
    // Microseconds (nanoseconds) since the back end was made.
    std::uint64_t now_us() override { return now_ns() / 1000; }
    std::uint64_t now_ns() override {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - origin_).count());
    }
    bus_levels levels() override { return driven_; }

protected:
    void note_write(std::uint16_t reg, std::uint8_t value) {
        if (reg == LPT_DATA) driven_.sda = (value & SDA_OUT_BIT) != 0;
        if (reg == LPT_CONTROL) driven_.scl = (value & SCL_OUT_BIT) != 0;
    }

private:
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    bus_levels driven_{true, true};
};

}  // namespace eeprom24c01
