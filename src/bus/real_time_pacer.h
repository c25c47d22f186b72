// Stretches each bit delay on a real port to a minimum time, so that every
// SCL phase meets 100 kHz two-wire timing (low >= 4.7 us, high >= 4.0 us)
// whatever the processor's speed. It busy-waits on the monotonic clock:
// nothing sleeps, as a sleep could stretch a phase by milliseconds.
#pragma once

#include <cstdint>
#include <ctime>

#include "bus/port.h"

inline constexpr std::int64_t MIN_BIT_DELAY_NS = 5000;

class real_time_pacer {
public:
    real_time_pacer() : origin_(now_ns()) {}

    void begin() { began_ = now_ns(); }
    void end() {
        while (now_ns() - began_ < MIN_BIT_DELAY_NS) {
        }
    }
    // Microseconds since the back end was made, for the trace.
    std::uint64_t elapsed_us() const { return static_cast<std::uint64_t>(now_ns() - origin_) / 1000; }

private:
    static std::int64_t now_ns() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
    std::int64_t origin_;
    std::int64_t began_ = 0;
};

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
