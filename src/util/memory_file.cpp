// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/memory_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/write_all.h"

namespace eeprom24c01 {

memory_file::memory_file() : fd_(memfd_create("eeprom24c01", MFD_CLOEXEC)) {
    if (!fd_) error_ = errno;
    else path_ = "/proc/self/fd/" + std::to_string(fd_.get());
}

int memory_file::room_for(std::size_t size) {
    int error = ftruncate(fd_.get(), static_cast<off_t>(size)) == 0 ? 0 : errno;
    if (ftruncate(fd_.get(), 0) != 0 && error == 0) error = errno;
    return error;
}

int memory_file::assign(std::span<const std::uint8_t> bytes) {
    if (ftruncate(fd_.get(), 0) != 0) return errno;
    return write_all_at(fd_.get(), bytes, 0);
}

int memory_file::contents(std::vector<std::uint8_t>& bytes) const {
    struct stat info {};
    if (fstat(fd_.get(), &info) != 0) return errno;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    return read_all_at(fd_.get(), bytes, 0);
}

}  // namespace eeprom24c01
