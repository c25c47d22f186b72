// SPDX-License-Identifier: GPL-3.0-or-later
// The bus's timing in one place: the waits that pace every line change, the
// I2C minimums of the three speed classes, and the figures that bound them
// in real time on a real port and on an I2C adapter.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "transport/port_backend.h"

namespace eeprom24c01 {

inline constexpr std::uint32_t BIT_DELAY_COUNT = 100;
inline constexpr std::uint32_t WRITE_CYCLE_COUNT = 10000;

using std::chrono::nanoseconds;

// The minimums an I2C master keeps in one speed class, up to its top clock.
struct speed_class {
    const char* name;
    std::uint32_t max_hz;
    nanoseconds low;          // tLOW: SCL low
    nanoseconds high;         // tHIGH: SCL high
    nanoseconds start_setup;  // tSU;STA: SCL high before a (repeated) start
    nanoseconds start_hold;   // tHD;STA: SCL high after SDA fell for a start
    nanoseconds stop_setup;   // tSU;STO: SCL high before SDA rises for a stop
    nanoseconds bus_free;     // tBUF: from a stop to the next start
    nanoseconds data_setup;   // tSU;DAT: SDA steady before SCL rises
    nanoseconds data_hold;    // tHD;DAT: SDA held after SCL fell
};

// Standard, fast and fast-plus, slowest first.
std::span<const speed_class> speed_classes();
// The slowest class whose top clock is at least hz; nullptr above them all.
const speed_class* speed_class_of(std::uint32_t hz);

// What one wait after a line change keeps. Each bus sequence names, for
// every wait, the phase the line change just began.
enum class bus_phase {
    clock_low,    // SCL fell and stays low for the whole of tLOW
    low_hold,     // SCL fell; SDA changes next: the first half of tLOW, tHD;DAT
    data_setup,   // SDA changed under a low SCL: the second half of tLOW, tSU;DAT
    clock_high,   // SCL rose: tHIGH
    start_setup,  // SCL high before SDA falls: tSU;STA
    start_hold,   // SDA fell under a high SCL: tHD;STA
    stop_setup,   // SCL high before SDA rises: tSU;STO
    bus_free,     // SDA rose under a high SCL: tBUF
    no_change,    // no line moved (a status read, a level written again): nothing to keep
};

// The wait of every phase at one chosen clock: SCL's period split between
// low and high in the class's proportion, each no shorter than its minimum.
struct phase_lengths {
    std::uint32_t clock_hz = 0;
    nanoseconds of[9] = {};
    nanoseconds operator[](bus_phase p) const { return of[static_cast<int>(p)]; }
};
// The lengths at hz, which speed_class_of must know.
phase_lengths phases_at(std::uint32_t hz);
// The clock a port reaches at hz when each of its accesses takes access:
// every phase lasts its length and one access.
std::uint32_t clock_reached(std::uint32_t hz, nanoseconds access);

struct bus_timing {
    // A bit delay on a real port lasts at least this, so that every SCL
    // phase meets 100 kHz two-wire timing (low >= 4.7 us, high >= 4.0 us)
    // whatever the processor's speed.
    nanoseconds min_bit_delay{5000};
    // Acknowledge polls before a silent chip is given up: 1000 tries of 30
    // bit delays is 150 ms at 5 us a delay, far beyond any write cycle.
    unsigned ack_poll_attempts = 1000;
    // On an I2C adapter a chip busy with its write cycle is tried again for
    // as long as a try begins within the part's tWR and this margin (the
    // kernel's at24 driver allows 25 ms in all; most parts' tWR is 5 or 10
    // ms), with a pause between tries after the first retry. A try is itself
    // a tenth of a millisecond on a 100 kHz bus, a millisecond through many
    // USB bridges. At a chosen clock the port's acknowledge polling keeps
    // the same window.
    std::chrono::milliseconds i2c_cycle_margin{15};
    std::chrono::microseconds i2c_poll_pause{100};
    // --clock: each wait lasts its phase's length and polling is bounded by
    // the window of the part's tWR; clock_hz 0 keeps the counted bit delays
    // and the tries above.
    phase_lengths clocked{};
    std::uint16_t write_cycle_ms = 10;

    bool clock_chosen() const { return clocked.clock_hz != 0; }
    std::chrono::milliseconds i2c_retry_window(std::uint16_t cycle_ms) const {
        return std::chrono::milliseconds(cycle_ms) + i2c_cycle_margin;
    }
};

// The timing of a bus run at hz (0: the old bit delays) for a part whose
// write cycle lasts at most write_cycle_ms.
bus_timing timing_at(std::uint32_t hz, std::uint16_t write_cycle_ms);

class counted_waits {
public:
    counted_waits(port_backend& port, const bus_timing& timing) : port_(port), timing_(timing) {}
    counted_waits(const counted_waits&) = delete;
    counted_waits& operator=(const counted_waits&) = delete;

    // Just after a port write that changes a line: at a chosen clock on a
    // real port, the phase it begins is timed from here. Where in its access
    // the line moved is unknown, so timing from the access's end is what
    // keeps a slow or interrupted access from shortening a phase; the next
    // access's own time only adds to the phase.
    void line_changed();
    // Follows every port write of a bus sequence. By default a counted
    // busy-wait that on a port keeping real time also lasts at least the
    // timing's minimum; at a chosen clock, the phase's length. It busy-waits
    // on the monotonic clock, as a sleep could stretch a phase by
    // milliseconds.
    void bit_delay(bus_phase phase = bus_phase::clock_high);
    // Before SCL rises where no SDA change followed its fall (a repeated
    // start after an acknowledge clock): at a chosen clock, waits out what
    // tLOW still lacks. Nothing by default, where every wait is whole.
    void finish_low();
    // Follows each write transaction sent to the EEPROM.
    void write_cycle_wait();

    // Both waits count in this one variable; volatile keeps every step a real
    // read and write of memory, so no optimiser can drop or shorten a loop.
    volatile std::uint32_t counter = 0;

private:
    void count_to(std::uint32_t bound);
    port_backend& port_;
    const bus_timing& timing_;
    std::chrono::steady_clock::time_point phase_began_{};
    nanoseconds low_owed_{};  // after a low_hold: the rest of tLOW
};

}  // namespace eeprom24c01
