#include "sim/chip_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/chip24c01.h"
#include "text/printable_name.h"

namespace {

std::string refusal(const std::string& path, const std::string& why, const char* what_to_do) {
    return "Chip file " + printable_name(path) + " " + why + "; it is left as it is: " + what_to_do + ".\n";
}

// A new blank chip; an existing file is not touched here. Returns 0, EEXIST
// when the file is there after all, or the errno of the call that failed.
int create_blank(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    std::uint8_t blank[CHIP_SIZE];
    std::memset(blank, 0xFF, CHIP_SIZE);
    ssize_t put = write(fd, blank, CHIP_SIZE);
    int error = put < 0 ? errno : put != CHIP_SIZE ? ENOSPC : fsync(fd) != 0 ? errno : 0;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error != 0) unlink(path.c_str());
    return error;
}

std::string read_whole(int fd, const std::string& path, std::uint8_t* contents) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return refusal(path, std::string("cannot be read (") + std::strerror(errno) + ")", "name another file");
    if (!S_ISREG(info.st_mode) || info.st_size != CHIP_SIZE)
        return refusal(path,
                       "is not a 128-byte chip image (" +
                           (S_ISREG(info.st_mode) ? std::to_string(info.st_size) + " bytes" : std::string("not a regular file")) + ")",
                       "name another file");
    ssize_t got = pread(fd, contents, CHIP_SIZE, 0);
    if (got != CHIP_SIZE)
        return refusal(path, std::string("cannot be read (") + (got < 0 ? std::strerror(errno) : "short read") + ")",
                       "name another file");
    return {};
}

}  // namespace

std::string chip_file_open(const std::string& path, chip_file& file, std::uint8_t* contents) {
    bool created = false;
    int failure = 0;
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
        failure = create_blank(path);
        created = failure == 0;
        if (failure == EEXIST) failure = 0;
    }
    int fd = failure == 0 ? open(path.c_str(), O_RDWR | O_CLOEXEC) : -1;
    if (fd < 0) {
        if (failure == 0) failure = errno;
        if (failure == EACCES || failure == EPERM || failure == EROFS)
            return refusal(path, std::string("may not be written by you (") + std::strerror(failure) + ")",
                           "make it writable or name another file");
        if (failure == EISDIR) return refusal(path, "is not a 128-byte chip image (not a regular file)", "name another file");
        return refusal(path, std::string("cannot be opened (") + std::strerror(failure) + ")", "name another file");
    }
    // Advisory, and gone with the process: one tool per simulated chip.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return refusal(path, "is in use by another eeprom24c01", "end that one first or name another file");
    }
    std::string problem = read_whole(fd, path, contents);
    if (!problem.empty()) {
        close(fd);
        return problem;
    }
    file.fd = fd;
    file.path = path;
    file.created = created;
    return {};
}

std::string chip_file_save(const chip_file& file, const std::uint8_t* contents) {
    // 128 bytes at offset 0 lie in one disk block, written whole; a short
    // write goes on, so that what stopped it gives its reason.
    for (std::size_t done = 0; done < CHIP_SIZE;) {
        ssize_t put = pwrite(file.fd, contents + done, CHIP_SIZE - done, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return std::strerror(errno);
        if (put == 0) return "short write";
        done += static_cast<std::size_t>(put);
    }
    if (fsync(file.fd) != 0) return std::strerror(errno);
    return {};
}
