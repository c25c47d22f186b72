// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/timing.h"

void counted_waits::count_to(std::uint32_t bound) {
    counter = 0;
    while (counter < bound) counter = counter + 1;
}

void counted_waits::bit_delay() {
    port_.bit_delay_begin();
    count_to(BIT_DELAY_COUNT);
    port_.bit_delay_end();
}

void counted_waits::write_cycle_wait() {
    count_to(WRITE_CYCLE_COUNT);
    port_.write_cycle_end();
}
