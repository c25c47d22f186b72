// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/bounded_lock.h"

#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace eeprom24c01 {

int lock_within(int fd, std::chrono::milliseconds max_wait, const std::function<void()>& waiting,
                const std::function<bool()>& give_up) {
    using clock = std::chrono::steady_clock;
    const clock::time_point deadline = clock::now() + max_wait;
    bool told = false;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        const int error = errno;
        if (error != EINTR && error != EWOULDBLOCK) return error;
        if (give_up && give_up()) return EINTR;
        if (error == EINTR) continue;
        clock::time_point now = clock::now();
        if (now >= deadline) return ETIMEDOUT;
        if (waiting && !told) waiting();
        told = true;
        // flock() has no timeout of its own; a short poll keeps the wait bounded.
        std::this_thread::sleep_for(std::min<clock::duration>(std::chrono::milliseconds(20), deadline - now));
    }
}

}  // namespace eeprom24c01
