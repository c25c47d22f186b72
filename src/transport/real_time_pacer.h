// SPDX-License-Identifier: GPL-3.0-or-later
// Stretches each bit delay on a real port to a minimum time, so that every
// SCL phase meets 100 kHz two-wire timing (low >= 4.7 us, high >= 4.0 us)
// whatever the processor's speed. It busy-waits on the monotonic clock:
// nothing sleeps, as a sleep could stretch a phase by milliseconds.
#pragma once

#include <cstdint>
#include <ctime>

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

