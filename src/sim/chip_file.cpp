#include "sim/chip_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/chip24c01.h"

namespace {

std::string refusal(const std::string& path, const std::string& why, const char* what_to_do) {
    return "Chip file " + path + " " + why + "; it is left as it is: " + what_to_do + ".\n";
}

// A new blank chip; an existing file is not touched here.
void create_blank(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return;  // it exists after all, or the open below says why not
    std::uint8_t blank[CHIP_SIZE];
    std::memset(blank, 0xFF, CHIP_SIZE);
    bool whole = write(fd, blank, CHIP_SIZE) == CHIP_SIZE && fsync(fd) == 0;
    close(fd);
    if (!whole) unlink(path.c_str());
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
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) create_blank(path);
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        int failure = errno;
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
    return {};
}

std::string chip_file_save(const chip_file& file, const std::uint8_t* contents) {
    // 128 bytes at offset 0 lie in one disk block, written whole.
    ssize_t put = pwrite(file.fd, contents, CHIP_SIZE, 0);
    if (put != CHIP_SIZE) return put < 0 ? std::strerror(errno) : "short write";
    if (fsync(file.fd) != 0) return std::strerror(errno);
    return {};
}
