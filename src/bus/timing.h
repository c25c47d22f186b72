// SPDX-License-Identifier: GPL-3.0-or-later
// The two counted busy-waits that give the bus its timing.
#pragma once

#include <cstdint>

#include "transport/port_backend.h"

inline constexpr std::uint32_t BIT_DELAY_COUNT = 100;
inline constexpr std::uint32_t WRITE_CYCLE_COUNT = 10000;

class counted_waits {
public:
    explicit counted_waits(port_backend& port) : port_(port) {}

    // Follows every port write of a bus sequence.
    void bit_delay();
    // Follows each write transaction sent to the EEPROM.
    void write_cycle_wait();

    // Both waits count in this one variable; volatile keeps every step a real
    // read and write of memory, so no optimiser can drop or shorten a loop.
    volatile std::uint32_t counter = 0;

private:
    void count_to(std::uint32_t bound);
    port_backend& port_;
};
