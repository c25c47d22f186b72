// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/memory_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Runs transfer(offset done so far) (a pread or pwrite) until size bytes are
// done, going on after short transfers and signals. "" or the reason.
template <class Transfer>
std::string whole(std::size_t size, Transfer transfer) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t moved = transfer(done);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return moved < 0 ? std::strerror(errno) : "the file ended early";
        done += static_cast<std::size_t>(moved);
    }
    return {};
}

}  // namespace

memory_file::memory_file() : fd_(memfd_create("eeprom24c01", MFD_CLOEXEC)) {
    if (!fd_) error_ = std::strerror(errno);
    else path_ = "/proc/self/fd/" + std::to_string(fd_.get());
}

std::string memory_file::room_for(std::size_t size) {
    int error = ftruncate(fd_.get(), static_cast<off_t>(size)) == 0 ? 0 : errno;
    if (ftruncate(fd_.get(), 0) != 0 && error == 0) error = errno;
    return error == 0 ? std::string() : std::strerror(error);
}

std::string memory_file::assign(std::span<const std::uint8_t> bytes) {
    if (ftruncate(fd_.get(), 0) != 0) return std::strerror(errno);
    return whole(bytes.size(), [&](std::size_t done) {
        return pwrite(fd_.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    });
}

std::string memory_file::contents(std::vector<std::uint8_t>& bytes) const {
    struct stat info {};
    if (fstat(fd_.get(), &info) != 0) return std::strerror(errno);
    bytes.resize(static_cast<std::size_t>(info.st_size));
    return whole(bytes.size(), [&](std::size_t done) {
        return pread(fd_.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    });
}
