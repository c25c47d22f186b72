// SPDX-License-Identifier: GPL-3.0-or-later
// An exclusive flock() that waits for another process to let go, but not for
// ever: stations sharing a file on a line must not hang on a stuck one, and a
// person who presses Ctrl-C while it waits is not kept waiting either.
#pragma once

#include <chrono>
#include <functional>

namespace eeprom24c01 {

// 0 once fd is locked, ETIMEDOUT when max_wait passed first, EINTR when
// give_up() said so, or the errno of a failure. waiting, if given, is called
// once when the lock is found taken; give_up, if given, is asked between tries.
int lock_within(int fd, std::chrono::milliseconds max_wait, const std::function<void()>& waiting = {},
                const std::function<bool()>& give_up = {});

}  // namespace eeprom24c01
