// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "transport/port_backend.h"
#include "transport/real_time_pacer.h"

// What the two real port back ends share: the paced bit delay, a clock for
// the trace, and the levels the master drives (a port cannot see more).
class real_port : public port_backend {
public:
    void bit_delay_begin() override { pacer_.begin(); }
    void bit_delay_end() override { pacer_.end(); }
    std::uint64_t now_us() override { return pacer_.elapsed_us(); }
    bus_levels levels() override { return driven_; }

protected:
    void note_write(std::uint16_t reg, std::uint8_t value) {
        if (reg == LPT_DATA) driven_.sda = (value & SDA_OUT_BIT) != 0;
        if (reg == LPT_CONTROL) driven_.scl = (value & SCL_OUT_BIT) != 0;
    }

private:
    real_time_pacer pacer_;
    bus_levels driven_{true, true};
};
