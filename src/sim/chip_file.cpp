// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/chip_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/printable_name.h"
#include "util/write_all.h"

namespace eeprom24c01 {

namespace {

std::string refusal(const std::string& path, const std::string& why, const char* what_to_do) {
    return "Chip file " + printable_name(path) + " " + why + "; it is left as it is: " + what_to_do + ".\n";
}

std::string not_an_image(const std::string& path, std::uint32_t size, const std::string& what_it_is) {
    return refusal(path, "is not a " + std::to_string(size) + "-byte chip image (" + what_it_is + ")", "name another file");
}

// A new blank chip; an existing file is not touched here. Returns 0, EEXIST
// when the file is there after all, or the errno of the call that failed.
int create_blank(const std::string& path, std::uint32_t size) {
    unique_fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd) return errno;
    std::vector<std::uint8_t> blank(size, 0xFF);
    int error = write_all(fd.get(), blank.data(), size);
    if (error == 0 && fsync(fd.get()) != 0) error = errno;
    if (close(fd.release()) != 0 && error == 0) error = errno;
    if (error != 0) unlink(path.c_str());
    return error;
}

std::string read_whole(int fd, const std::string& path, std::uint32_t size, std::vector<std::uint8_t>& contents) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return refusal(path, std::string("cannot be read (") + std::strerror(errno) + ")", "name another file");
    if (!S_ISREG(info.st_mode)) return not_an_image(path, size, "not a regular file");
    if (info.st_size != static_cast<off_t>(size)) return not_an_image(path, size, std::to_string(info.st_size) + " bytes");
    contents.resize(size);
    if (int error = read_all_at(fd, contents, 0))
        return refusal(path, std::string("cannot be read (") + std::strerror(error) + ")", "name another file");
    return {};
}

}  // namespace

std::string chip_file_open(const std::string& path, std::uint32_t size, chip_file& file,
                           std::vector<std::uint8_t>& contents) {
    bool created = false;
    int failure = 0;
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
        failure = create_blank(path, size);
        created = failure == 0;
        if (failure == EEXIST) failure = 0;
        else if (failure != 0)  // there was no file to leave as it was
            return "Chip file " + printable_name(path) + " cannot be created (" + std::strerror(failure) +
                   "); nothing was made: name another file.\n";
    }
    unique_fd fd(failure == 0 ? open(path.c_str(), O_RDWR | O_CLOEXEC) : -1);
    if (!fd) {
        if (failure == 0) failure = errno;
        if (failure == EACCES || failure == EPERM || failure == EROFS)
            return refusal(path, std::string("may not be written by you (") + std::strerror(failure) + ")",
                           "make it writable or name another file");
        if (failure == EISDIR) return not_an_image(path, size, "not a regular file");
        return refusal(path, std::string("cannot be opened (") + std::strerror(failure) + ")", "name another file");
    }
    // Advisory, and gone with the descriptor: one tool per simulated chip.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return refusal(path, "is in use by another eeprom24c01", "end that one first or name another file");
    std::string problem = read_whole(fd.get(), path, size, contents);
    if (!problem.empty()) return problem;
    file.fd = std::move(fd);
    file.path = path;
    file.created = created;
    return {};
}

int chip_file_save(const chip_file& file, std::span<const std::uint8_t> contents) {
    // A short write goes on, so that what stopped it gives its reason.
    if (int error = write_all_at(file.fd.get(), contents, 0)) return error;
    return fsync(file.fd.get()) == 0 ? 0 : errno;
}

}  // namespace eeprom24c01
