// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/write_all.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "util/interruption.h"
#include "util/wakeup_ticks.h"

namespace eeprom24c01 {

namespace {

// Runs step(bytes done so far) (a write, pwrite or pread of the rest) until
// size bytes are done. A step that moves nothing ends it with ended.
template <class Step>
int transfer_all(std::size_t size, int ended, Step step, bool stop_on_signal = false) {
    for (std::size_t done = 0; done < size;) {
        ssize_t moved = step(done);
        if (moved < 0 && errno == EINTR && stop_on_signal && interruption_signal() != 0) return EINTR;
        if (moved < 0 && errno == EINTR) continue;
        if (moved < 0) return errno;
        if (moved == 0) return ended;
        done += static_cast<std::size_t>(moved);
    }
    return 0;
}

}  // namespace

int write_all(int fd, const std::uint8_t* bytes, std::size_t size) {
    return transfer_all(size, EIO, [&](std::size_t done) { return write(fd, bytes + done, size - done); });
}

int write_all_unless_signalled(int fd, const std::uint8_t* bytes, std::size_t size) {
    // Only what can block for ever needs the ticks: a pipe, a FIFO, a socket,
    // a terminal.
    struct stat info {};
    std::optional<wakeup_ticks> ticks;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) ticks.emplace();
    return transfer_all(
        size, EIO, [&](std::size_t done) { return write(fd, bytes + done, size - done); }, true);
}

int write_all_at(int fd, std::span<const std::uint8_t> bytes, off_t offset) {
    return transfer_all(bytes.size(), EIO, [&](std::size_t done) {
        return pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    });
}

int read_all_at(int fd, std::span<std::uint8_t> bytes, off_t offset) {
    return transfer_all(bytes.size(), ENODATA, [&](std::size_t done) {
        return pread(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    });
}

}  // namespace eeprom24c01
