// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/wakeup_ticks.h"

#include <signal.h>
#include <unistd.h>

namespace eeprom24c01 {

namespace {

extern "C" void ignore_tick(int) {}

// The handler stays for the life of the process: a tick still pending when
// its timer is deleted must find it, not the default action, which ends the
// process. It is installed only when the tool has no SIGALRM handler of its
// own (the port claim installs one for its alarm, and puts this one back).
void install_tick_handler() {
    struct sigaction current {};
    if (sigaction(SIGALRM, nullptr, &current) != 0 || current.sa_handler == ignore_tick) return;
    struct sigaction action {};
    action.sa_handler = ignore_tick;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the blocked call must return
    sigaction(SIGALRM, &action, nullptr);
}

}  // namespace

wakeup_ticks::wakeup_ticks(std::chrono::milliseconds period) {
    install_tick_handler();
    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGALRM;
    event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) return;
    armed_ = true;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period);
    const timespec every{static_cast<time_t>(seconds.count()),
                         static_cast<long>(std::chrono::nanoseconds(period - seconds).count())};
    const itimerspec ticking{every, every};
    timer_settime(timer_, 0, &ticking, nullptr);
}

wakeup_ticks::~wakeup_ticks() {
    if (armed_) timer_delete(timer_);
}

}  // namespace eeprom24c01
