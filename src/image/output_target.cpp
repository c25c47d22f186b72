// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/output_target.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "image/image.h"
#include "text/printable_name.h"
#include "util/interruption.h"
#include "util/overwrite_file.h"
#include "util/wakeup_ticks.h"
#include "util/write_all.h"

namespace eeprom24c01 {

namespace {

std::string folder_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links from name to the file they end at. False for a link
// into /proc or /dev/fd (such as /dev/stdout): those name an open file, not a
// place in a folder, and are only ever opened.
bool follow_links(const std::string& name, std::string& path) {
    path = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::vector<char> target(PATH_MAX + 1);
        ssize_t size = readlink(path.c_str(), target.data(), PATH_MAX);
        if (size < 0) return true;
        std::string next(target.data(), static_cast<std::size_t>(size));
        if (next.rfind("/proc/", 0) == 0 || next.rfind("/dev/fd/", 0) == 0) return false;
        path = next[0] == '/' ? next : folder_of(path) + "/" + next;
    }
    return true;  // a loop: the open or rename says so
}

// A write that a signal stopped, into a reader that stopped reading.
std::string stopped(const std::string& shown) {
    return "Stopped writing " + shown + " on a signal: it did not get all the bytes.\n";
}

std::string cannot(const output_target& target, int error, bool left = false) {
    if (error == EINTR) return stopped(printable_name(target.name));
    return "Cannot write " + printable_name(target.name) + ": " + std::strerror(error) +
           (left && target.existed ? "; it is left as it was.\n" : ".\n");
}

// The file is replaced by a temporary file made beside it: its folder, not
// the file, is then what refuses.
std::string folder_refuses(const output_target& target, int error) {
    if (error == ENOENT || error == ENOTDIR) return cannot(target, error, true);  // no folder at all
    return "Cannot write " + printable_name(target.name) + ": no temporary file can be made in its folder " +
           printable_name(folder_of(target.path)) + " (" + std::strerror(error) + ")" +
           (target.existed ? "; it is left as it was.\n" : ".\n");
}

// Another tool holding the file locked (an eeprom24c01 using it as its
// simulated chip) is about to write it itself.
bool locked_by_another(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return locked;
}

// The bytes into an open file from its start; a regular file gets room for
// them first, is cut to them and flushed to disk. 0, or the error, with kept
// saying whether the file still holds what it held.
int write_from_start(int fd, std::span<const std::uint8_t> image, bool& kept) {
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return overwrite_file(fd, image.data(), image.size(), kept);
    kept = false;
    errno = 0;
    if (int error = write_all_unless_signalled(fd, image.data(), image.size())) return error;
    return 0;
}

// An open of a FIFO waits for a reader; a signal ends that wait.
int open_unless_signalled(const std::string& path, int flags) {
    wakeup_ticks ticks;
    for (;;) {
        int fd = open(path.c_str(), flags);
        if (fd >= 0 || errno != EINTR) return fd;
        if (interruption_signal() != 0) return -1;
    }
}

std::string write_open(const output_target& target, std::span<const std::uint8_t> image, int flags) {
    int fd = open_unless_signalled(target.path, flags | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return cannot(target, errno, true);
    bool kept = false;
    int error = write_from_start(fd, image, kept);
    if (close(fd) != 0 && error == 0) error = errno;
    return error ? cannot(target, error, kept) : std::string();
}

// A temporary file beside the destination, renamed over it once whole. Its
// name is short enough for any name the file system accepts.
std::string replace(const output_target& target, std::span<const std::uint8_t> image) {
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = 0666 & ~mask;
    struct stat info {};
    bool existed = stat(target.path.c_str(), &info) == 0;
    if (existed) mode = info.st_mode & 07777;
    std::string base = base_of(target.path).substr(0, NAME_MAX - 8);
    std::string pattern = folder_of(target.path) + "/." + base + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) return folder_refuses(target, errno);
    int error = 0;
    if (fchmod(fd, mode) != 0) error = errno;
    if (existed && fchown(fd, info.st_uid, info.st_gid) != 0) {
        // Only root may give a file away: the user's own new file it is.
    }
    bool kept = false;  // the destination is kept whatever befalls the temporary file
    if (error == 0) error = write_from_start(fd, image, kept);
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.data(), target.path.c_str()) != 0) error = errno;
    if (error != 0) unlink(temp.data());
    return error ? cannot(target, error, true) : std::string();
}

}  // namespace

std::string output_target_open(const std::string& name, output_target& target) {
    target = {};
    target.name = name;
    if (name == "-") {
        target.how = output_target::way::standard_output;
        return {};
    }
    if (!follow_links(name, target.path)) {
        target.how = output_target::way::direct;
        target.path = name;
        target.existed = true;
        return {};
    }
    struct stat info {};
    const bool folder_writable = faccessat(AT_FDCWD, folder_of(target.path).c_str(), W_OK, AT_EACCESS) == 0;
    const int folder_error = errno;
    if (stat(target.path.c_str(), &info) != 0) {
        if (errno != ENOENT) return cannot(target, errno);
        return folder_writable ? std::string() : folder_refuses(target, folder_error);  // a new file
    }
    target.existed = true;
    if (S_ISDIR(info.st_mode)) return "Cannot write " + printable_name(name) + ": it is a folder.\n";
    if (!S_ISREG(info.st_mode)) {
        target.how = output_target::way::direct;
        return {};
    }
    // A file made read-only is kept from root too, whom access() lets by.
    if ((info.st_mode & 0222) == 0) return cannot(target, EACCES, true);
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) return cannot(target, errno, true);
    if (locked_by_another(target.path))
        return "Cannot write " + printable_name(name) +
               ": another running program holds it locked, such as an eeprom24c01 using it as its chip; it is left "
               "as it was.\n";
    target.how = info.st_nlink > 1 ? output_target::way::in_place : output_target::way::replace;
    if (target.how == output_target::way::replace && !folder_writable) return folder_refuses(target, folder_error);
    return {};
}

std::string output_target_failure(const output_target& target, int error) { return cannot(target, error, true); }

std::string output_target_write(const output_target& target, std::span<const std::uint8_t> image) {
    switch (target.how) {
        case output_target::way::standard_output:
            if (int error = write_all_unless_signalled(1, image.data(), image.size()))
                return error == EINTR ? stopped("standard output")
                                      : std::string("Cannot write standard output: ") + std::strerror(error) + ".\n";
            return {};
        case output_target::way::replace:
            return replace(target, image);
        case output_target::way::in_place:
        case output_target::way::direct:
            return write_open(target, image, O_WRONLY);
    }
    return {};
}

}  // namespace eeprom24c01
