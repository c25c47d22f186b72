#include "bus/timing.h"

#include "bus/port.h"

volatile std::uint32_t delay_counter = 0;

static void count_to(std::uint32_t bound) {
    delay_counter = 0;
    while (delay_counter < bound) delay_counter = delay_counter + 1;
}

void bit_delay() {
    port_backend* backend = port_current();
    backend->bit_delay_begin();
    count_to(BIT_DELAY_COUNT);
    backend->bit_delay_end();
}

void write_cycle_wait() {
    count_to(WRITE_CYCLE_COUNT);
    port_current()->write_cycle_end();
}
