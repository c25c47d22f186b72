// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/overwrite_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/write_all.h"

namespace eeprom24c01 {

namespace {

// Room for size bytes from the start, holes and all: 0 or the error. A file
// system that cannot reserve (NFS before 4.2, many FUSE ones) gets only its
// growth, written as zeros past the old end; glibc's own stand-in would read
// the old bytes first, which a file opened write-only refuses.
int reserve(int fd, off_t old_size, off_t size) {
    int result = 0;
    while ((result = fallocate(fd, 0, 0, size)) != 0 && errno == EINTR) {
    }
    if (result == 0) return 0;
    if (errno != EOPNOTSUPP) return errno;
    return size > old_size ? posix_fallocate(fd, old_size, size - old_size) : 0;
}

}  // namespace

int overwrite_file(int fd, const std::uint8_t* bytes, std::size_t size, bool& kept) {
    kept = true;
    struct stat info {};
    if (fstat(fd, &info) != 0) return errno;
    if (size > 0) {
        if (int error = reserve(fd, info.st_size, static_cast<off_t>(size)); error != 0) {
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
