// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/write_all.h"

#include <unistd.h>

#include <cerrno>

bool write_all(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put == 0) errno = EIO;
        if (put <= 0) return false;
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}
