// SPDX-License-Identifier: GPL-3.0-or-later
// An exclusive flock() that waits for another process to let go, but not for
// ever: stations sharing a file on a line must not hang on a stuck one, and a
// person who presses Ctrl-C while it waits is not kept waiting either. The
// wait blocks in the kernel rather than polling, so that the lock goes to a
// waiter as soon as it is free; Linux wakes every waiter at once then, so
// there is no queue beyond that.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "util/unique_fd.h"

namespace eeprom24c01 {

struct lock_wait {
    std::chrono::milliseconds most{300000};
    // Called once when another process has held the lock for a second of
    // this wait.
    std::function<void()> waiting;
    // Asked while it waits (on each signal, and at least every tenth of a
    // second); true ends the wait.
    std::function<bool()> give_up;
};

// 0 once fd is locked, ETIMEDOUT when wait.most passed first, EINTR when
// wait.give_up() said so, or the errno of a failure.
int lock_within(int fd, const lock_wait& wait);

// Locks the file that path names, open in fd. An editor, sed -i or a log
// rotation may replace it by rename while another process holds it: once the
// lock is had, a file that path no longer names is let go, and the file now
// there is opened by reopen (0 or its errno) and locked in its place, all
// within the one wait. Returns as lock_within, or reopen's errno.
int lock_named(unique_fd& fd, const std::string& path, const std::function<int(unique_fd&)>& reopen,
               const lock_wait& wait);

}  // namespace eeprom24c01
