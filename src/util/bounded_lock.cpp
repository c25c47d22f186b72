// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/bounded_lock.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include "util/wakeup_ticks.h"

namespace eeprom24c01 {

namespace {

using clock = std::chrono::steady_clock;

// Stations take the files for a moment each: a wait shorter than this is
// not worth a line.
constexpr std::chrono::milliseconds SAY_AFTER{1000};

int lock_until(int fd, clock::time_point deadline, const lock_wait& wait, bool& told) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK && errno != EINTR) return errno;
    // The ticks wake the blocked flock() so that the deadline is kept, and a
    // signal noted just before it blocked is not missed.
    wakeup_ticks ticks;
    const clock::time_point began = clock::now();
    for (;;) {
        if (wait.give_up && wait.give_up()) return EINTR;
        const clock::time_point now = clock::now();
        if (now >= deadline) return ETIMEDOUT;
        if (wait.waiting && !told && now - began >= SAY_AFTER) wait.waiting();
        told = told || now - began >= SAY_AFTER;
        if (flock(fd, LOCK_EX) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

// Whether path still names the file open in fd.
bool still_named(int fd, const std::string& path) {
    struct stat held {}, named {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

}  // namespace

int lock_within(int fd, const lock_wait& wait) {
    bool told = false;
    return lock_until(fd, clock::now() + wait.most, wait, told);
}

int lock_named(unique_fd& fd, const std::string& path, const std::function<int(unique_fd&)>& reopen,
               const lock_wait& wait) {
    const clock::time_point deadline = clock::now() + wait.most;
    bool told = false;
    for (;;) {
        if (int error = lock_until(fd.get(), deadline, wait, told); error != 0) return error;
        if (still_named(fd.get(), path)) return 0;
        fd.reset();
        if (int error = reopen(fd); error != 0) return error;
    }
}

}  // namespace eeprom24c01
