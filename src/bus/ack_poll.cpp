// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/ack_poll.h"

namespace eeprom24c01 {

namespace {

// Whether another try may begin: by default within the bus timing's tries,
// or attempts given; at a chosen clock, within the window of the part's
// write cycle on the port's own clock (virtual on the simulated board).
struct poll_bound {
    two_wire_bus& bus;
    unsigned attempts;
    bool timed = attempts == 0 && bus.timing().clock_chosen();
    std::uint64_t began_us = timed ? bus.port().now_us() : 0;

    bool allows(unsigned attempt) const {
        const bus_timing& timing = bus.timing();
        if (!timed) return attempt <= (attempts != 0 ? attempts : timing.ack_poll_attempts);
        const auto window = std::chrono::microseconds(timing.i2c_retry_window(timing.write_cycle_ms));
        return attempt == 1 || bus.port().now_us() - began_us < static_cast<std::uint64_t>(window.count());
    }
};

}  // namespace

unsigned poll_ack(two_wire_bus& bus, std::uint8_t first_byte, unsigned attempts) {
    const poll_bound bound{bus, attempts};
    for (unsigned attempt = 1; bound.allows(attempt); ++attempt) {
        bus.start();
        bus.send_fixed_byte(first_byte);
        bus.set_sda(SDA_HIGH, bus_phase::data_setup);
        bus.set_scl(SCL_HIGH, bus_phase::clock_high);
        if (!bus.sample_sda()) {
            bus.set_scl(SCL_LOW, bus_phase::low_hold);
            return attempt;
        }
    }
    bus.set_scl(SCL_LOW, bus_phase::low_hold);
    return 0;
}

}  // namespace eeprom24c01
