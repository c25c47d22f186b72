// SPDX-License-Identifier: GPL-3.0-or-later
// One owned file descriptor: closed when its owner goes away, moved but never
// copied, so that no descriptor is closed twice or left open.
#pragma once

#include <unistd.h>

#include <utility>

namespace eeprom24c01 {

class unique_fd {
public:
    unique_fd() = default;
    // Takes fd over (-1: owns nothing).
    explicit unique_fd(int fd) : fd_(fd) {}
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;
    unique_fd(unique_fd&& other) noexcept : fd_(other.release()) {}
    unique_fd& operator=(unique_fd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_fd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    // Closes what it owns and takes fd over.
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

}  // namespace eeprom24c01
