// SPDX-License-Identifier: GPL-3.0-or-later
// The bus's timing in one place: the two counted busy-waits that pace every
// line change, and the figures that bound them in real time on a real port
// and on an I2C adapter.
#pragma once

#include <chrono>
#include <cstdint>

#include "transport/port_backend.h"

namespace eeprom24c01 {

inline constexpr std::uint32_t BIT_DELAY_COUNT = 100;
inline constexpr std::uint32_t WRITE_CYCLE_COUNT = 10000;

struct bus_timing {
    // A bit delay on a real port lasts at least this, so that every SCL
    // phase meets 100 kHz two-wire timing (low >= 4.7 us, high >= 4.0 us)
    // whatever the processor's speed.
    std::chrono::nanoseconds min_bit_delay{5000};
    // Acknowledge polls before a silent chip is given up: 1000 tries of 30
    // bit delays is 150 ms at 5 us a delay, far beyond any write cycle.
    unsigned ack_poll_attempts = 1000;
    // On an I2C adapter a chip busy with its write cycle is tried again for
    // as long as a try begins within the part's tWR and this margin (the
    // kernel's at24 driver allows 25 ms in all; most parts' tWR is 5 or 10
    // ms), with a pause between tries after the first retry. A try is itself
    // a tenth of a millisecond on a 100 kHz bus, a millisecond through many
    // USB bridges.
    std::chrono::milliseconds i2c_cycle_margin{15};
    std::chrono::microseconds i2c_poll_pause{100};

    std::chrono::milliseconds i2c_retry_window(std::uint16_t write_cycle_ms) const {
        return std::chrono::milliseconds(write_cycle_ms) + i2c_cycle_margin;
    }
};

class counted_waits {
public:
    counted_waits(port_backend& port, const bus_timing& timing) : port_(port), timing_(timing) {}

    // Follows every port write of a bus sequence. On a port that keeps real
    // time it also lasts at least the timing's minimum: it busy-waits on the
    // monotonic clock, as a sleep could stretch a phase by milliseconds.
    void bit_delay();
    // Follows each write transaction sent to the EEPROM.
    void write_cycle_wait();

    // Both waits count in this one variable; volatile keeps every step a real
    // read and write of memory, so no optimiser can drop or shorten a loop.
    volatile std::uint32_t counter = 0;

private:
    void count_to(std::uint32_t bound);
    port_backend& port_;
    const bus_timing& timing_;
};

}  // namespace eeprom24c01
