// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/overwrite_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/write_all.h"

namespace eeprom24c01 {

int overwrite_file(int fd, const std::uint8_t* bytes, std::size_t size, bool& kept) {
    kept = true;
    struct stat info {};
    if (fstat(fd, &info) != 0) return errno;
    if (size > 0) {
        if (int error = posix_fallocate(fd, 0, static_cast<off_t>(size)); error != 0) {
            // A reservation that failed part way may have made the file longer.
            if (static_cast<off_t>(size) > info.st_size && ftruncate(fd, info.st_size) != 0) kept = false;
            return error;
        }
    }
    if (lseek(fd, 0, SEEK_SET) != 0) return errno;
    kept = false;
    if (int error = write_all(fd, bytes, size)) return error;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0 || fsync(fd) != 0) return errno;
    return 0;
}

}  // namespace eeprom24c01
