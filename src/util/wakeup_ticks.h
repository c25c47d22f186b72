// SPDX-License-Identifier: GPL-3.0-or-later
// A blocking system call (a lock wait, a write into a pipe nobody reads)
// returns EINTR when a signal is noted, since the handlers do not restart
// calls. A signal that comes just before the call blocks would be missed,
// so while one of these exists the calling thread is also woken by a
// SIGALRM of its own every period: each loop around such a call then looks
// at its deadline and at the signals noted at least that often.
#pragma once

#include <time.h>

#include <chrono>

namespace eeprom24c01 {

class wakeup_ticks {
public:
    explicit wakeup_ticks(std::chrono::milliseconds period = std::chrono::milliseconds(100));
    ~wakeup_ticks();
    wakeup_ticks(const wakeup_ticks&) = delete;
    wakeup_ticks& operator=(const wakeup_ticks&) = delete;

private:
    timer_t timer_{};
    bool armed_ = false;
};

}  // namespace eeprom24c01
