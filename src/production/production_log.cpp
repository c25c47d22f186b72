// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/production_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "text/printable_name.h"
#include "util/bounded_lock.h"
#include "util/write_all.h"

namespace eeprom24c01 {

std::string iso8601_utc(std::chrono::system_clock::time_point time) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string csv_field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string log_line(const log_entry& e) {
    const std::string fields[] = {
        iso8601_utc(e.time),   csv_field(e.action),         csv_field(e.port),
        csv_field(e.chip),     csv_field(e.image_file),     csv_field(e.image_sha256),
        csv_field(e.serial),   std::to_string(e.bytes_written), csv_field(e.outcome),
        std::to_string(e.exit_status), std::to_string(e.duration_ms),
    };
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : ",") + field;
    return line + "\n";
}

namespace {

// Not blocking: a FIFO without a reader is refused, not waited on. Read as
// well as written: an entry after an unfinished last line must start a line
// of its own, which only its last byte tells.
int open_log(const std::string& path, unique_fd& fd) {
    fd.reset(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    return fd ? 0 : errno;
}

}  // namespace

std::string production_log::open(const std::string& path) {
    path_ = path;
    const std::string shown = printable_name(path);
    const int error = open_log(path, fd_);
    if (!fd_ && error == EACCES && access(path.c_str(), W_OK) == 0)
        return "Log " + shown + " can be written but not read (" + std::strerror(error) +
               "): make it readable, so that each entry starts a line of its own; nothing was done.\n";
    struct stat info {};
    std::string why = !fd_                               ? std::strerror(error)
                      : fstat(fd_.get(), &info) != 0     ? std::strerror(errno)
                      : !S_ISREG(info.st_mode)           ? "not a regular file"
                                                         : "";
    if (why.empty()) return {};
    fd_.reset();
    return "Log " + shown + " cannot be written (" + why + "); nothing was done.\n";
}

int production_log::lock(const lock_wait& wait) {
    // A log rotated away while another station held it: the new file at
    // its name is the log now, if it is a regular file.
    return lock_named(fd_, path_, [this](unique_fd& fd) {
        if (int error = open_log(path_, fd)) return error;
        struct stat info {};
        if (fstat(fd.get(), &info) != 0) return errno;
        return S_ISREG(info.st_mode) ? 0 : EINVAL;
    }, wait);
}

void production_log::unlock() const { flock(fd_.get(), LOCK_UN); }

std::string production_log::lock_failure(int error) const {
    const std::string shown = printable_name(path_);
    if (error == ETIMEDOUT)
        return "Log " + shown + " stayed locked by another station; this action's line was not written.\n";
    return "Log " + shown + " was not written (" + std::strerror(error) + ").\n";
}

std::string production_log::append_locked(const log_entry& entry) const {
    auto failure = [&](int error) { return lock_failure(error); };
    struct stat info {};
    if (fstat(fd_.get(), &info) != 0) return failure(errno);
    char last = '\n';
    if (info.st_size > 0)
        if (ssize_t got = pread(fd_.get(), &last, 1, info.st_size - 1); got != 1) return failure(got < 0 ? errno : EIO);
    // Header and line in one write: a reader never sees half of either.
    std::string text = (info.st_size == 0 ? std::string(LOG_HEADER) : last != '\n' ? "\n" : "") + log_line(entry);
    if (int error = write_all(fd_.get(), reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {
        if (ftruncate(fd_.get(), info.st_size) != 0) error = errno;  // no half line left behind
        return failure(error);
    }
    // A line that may not be on disk is taken out again, as one not written
    // whole is: no run may count on it.
    if (fsync(fd_.get()) != 0) {
        const int error = errno;
        if (ftruncate(fd_.get(), info.st_size) == 0) fsync(fd_.get());
        return failure(error);
    }
    return {};
}

std::string production_log::append(const log_entry& entry, const lock_wait& wait) {
    if (int error = lock(wait); error != 0) return lock_failure(error);
    std::string problem = append_locked(entry);
    unlock();
    return problem;
}

std::string append_to_log(const std::string& path, const log_entry& entry, const lock_wait& wait) {
    production_log log;
    std::string problem = log.open(path);
    return problem.empty() ? log.append(entry, wait) : problem;
}

}  // namespace eeprom24c01
