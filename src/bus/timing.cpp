// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/timing.h"

namespace eeprom24c01 {

void counted_waits::count_to(std::uint32_t bound) {
    counter = 0;
    while (counter < bound) counter = counter + 1;
}

void counted_waits::bit_delay() {
    using clock = std::chrono::steady_clock;
    const bool paced = port_.keeps_real_time();
    const clock::time_point began = paced ? clock::now() : clock::time_point{};
    count_to(BIT_DELAY_COUNT);
    if (paced)
        while (clock::now() - began < timing_.min_bit_delay) {
        }
    port_.bit_delay_end();
}

void counted_waits::write_cycle_wait() {
    count_to(WRITE_CYCLE_COUNT);
    port_.write_cycle_end();
}

}  // namespace eeprom24c01
