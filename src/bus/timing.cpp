// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/timing.h"

#include <algorithm>

namespace eeprom24c01 {

namespace {

using namespace std::chrono_literals;

// The I2C bus's minimums for its masters, per speed class.
constexpr speed_class SPEED_CLASSES[] = {
    // name         top clock  tLOW    tHIGH   tSU;STA tHD;STA tSU;STO tBUF    tSU;DAT tHD;DAT
    {"standard",    100000,    4700ns, 4000ns, 4700ns, 4000ns, 4000ns, 4700ns, 250ns,  0ns},
    {"fast",        400000,    1300ns, 600ns,  600ns,  600ns,  600ns,  1300ns, 100ns,  0ns},
    {"fast-plus",   1000000,   500ns,  260ns,  260ns,  260ns,  260ns,  500ns,  50ns,   0ns},
};

nanoseconds at_least(nanoseconds a, nanoseconds b) { return std::max(a, b); }

}  // namespace

std::span<const speed_class> speed_classes() { return SPEED_CLASSES; }

const speed_class* speed_class_of(std::uint32_t hz) {
    for (const speed_class& c : SPEED_CLASSES)
        if (hz <= c.max_hz) return &c;
    return nullptr;
}

phase_lengths phases_at(std::uint32_t hz) {
    const speed_class& c = *speed_class_of(hz);
    // The period, shared out as the class's tLOW and tHIGH are; at the
    // class's top clock both are still above their minimums.
    const long long period = (1000000000LL + hz - 1) / hz;
    const long long low_high = (c.low + c.high).count();
    const nanoseconds low{(period * c.low.count() + low_high - 1) / low_high};
    const nanoseconds high{(period * c.high.count() + low_high - 1) / low_high};
    const nanoseconds hold = low / 2;
    phase_lengths p;
    p.clock_hz = hz;
    auto set = [&p](bus_phase phase, nanoseconds length) { p.of[static_cast<int>(phase)] = length; };
    set(bus_phase::clock_low, low);
    set(bus_phase::low_hold, at_least(hold, c.data_hold));
    set(bus_phase::data_setup, at_least(low - hold, c.data_setup));
    set(bus_phase::clock_high, high);
    set(bus_phase::start_setup, at_least(high, c.start_setup));
    set(bus_phase::start_hold, at_least(high, c.start_hold));
    set(bus_phase::stop_setup, at_least(high, c.stop_setup));
    set(bus_phase::bus_free, at_least(low, c.bus_free));
    set(bus_phase::no_change, 0ns);
    return p;
}

// A data bit is three line changes: SDA set, SCL up, SCL down.
std::uint32_t clock_reached(std::uint32_t hz, nanoseconds access) {
    const phase_lengths p = phases_at(hz);
    const nanoseconds bit = p[bus_phase::data_setup] + p[bus_phase::clock_high] + p[bus_phase::low_hold] + 3 * access;
    return static_cast<std::uint32_t>(1000000000LL / bit.count());
}

bus_timing timing_at(std::uint32_t hz, std::uint16_t write_cycle_ms) {
    bus_timing timing;
    if (hz != 0) timing.clocked = phases_at(hz);
    timing.write_cycle_ms = write_cycle_ms;
    return timing;
}

void counted_waits::count_to(std::uint32_t bound) {
    counter = 0;
    while (counter < bound) counter = counter + 1;
}

void counted_waits::line_changed() {
    if (timing_.clock_chosen() && port_.keeps_real_time()) phase_began_ = std::chrono::steady_clock::now();
}

void counted_waits::bit_delay(bus_phase phase) {
    using clock = std::chrono::steady_clock;
    const bool paced = port_.keeps_real_time();
    if (timing_.clock_chosen()) {
        // Timed from the end of the access that began the phase; a status
        // read inside it counts toward it.
        const nanoseconds length = timing_.clocked[phase];
        if (paced)
            while (clock::now() - phase_began_ < length) {
            }
        port_.bit_delay_end(length);
        low_owed_ = phase == bus_phase::low_hold ? timing_.clocked[bus_phase::clock_low] - length : nanoseconds{};
        return;
    }
    const clock::time_point began = paced ? clock::now() : clock::time_point{};
    count_to(BIT_DELAY_COUNT);
    if (paced)
        while (clock::now() - began < timing_.min_bit_delay) {
        }
    port_.bit_delay_end(timing_.min_bit_delay);
}

void counted_waits::finish_low() {
    if (!timing_.clock_chosen() || low_owed_ <= nanoseconds{}) return;
    const auto began = std::chrono::steady_clock::now();
    if (port_.keeps_real_time())
        while (std::chrono::steady_clock::now() - began < low_owed_) {
        }
    port_.bit_delay_end(low_owed_);
    low_owed_ = {};
}

void counted_waits::write_cycle_wait() {
    count_to(WRITE_CYCLE_COUNT);
    port_.write_cycle_end();
}

}  // namespace eeprom24c01
