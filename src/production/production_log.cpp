// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/production_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "text/printable_name.h"
#include "util/bounded_lock.h"

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

std::string production_log::open(const std::string& path) {
    path_ = path;
    const std::string shown = printable_name(path);
    // Not blocking: a FIFO without a reader is refused, not waited on. Read
    // too where allowed, to see whether the last line was finished.
    const int flags = O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    fd_.reset(::open(path.c_str(), O_RDWR | flags, 0644));
    if (!fd_ && errno == EACCES) fd_.reset(::open(path.c_str(), O_WRONLY | flags, 0644));
    struct stat info {};
    std::string why = !fd_ || fstat(fd_.get(), &info) != 0 ? std::strerror(errno)
                      : !S_ISREG(info.st_mode)           ? "not a regular file"
                                                         : "";
    if (why.empty()) return {};
    fd_.reset();
    return "Log " + shown + " cannot be written (" + why + "); nothing was done";
}

std::string production_log::append(const log_entry& entry, std::chrono::milliseconds max_wait) const {
    const std::string shown = printable_name(path_);
    auto failure = [&](int error) { return "Log " + shown + " was not written (" + std::strerror(error) + ")"; };
    if (int error = lock_within(fd_.get(), max_wait); error != 0)
        return error == ETIMEDOUT ? "Log " + shown + " stayed locked by another station; this action's line was not written"
                                  : failure(error);
    struct stat info {};
    if (fstat(fd_.get(), &info) != 0) return failure(errno);
    char last = '\n';
    if (info.st_size > 0 && pread(fd_.get(), &last, 1, info.st_size - 1) != 1) last = '\n';  // a log we may only write
    // Header and line in one write: a reader never sees half of either.
    std::string text = (info.st_size == 0 ? std::string(LOG_HEADER) : last != '\n' ? "\n" : "") + log_line(entry);
    ssize_t put = write(fd_.get(), text.data(), text.size());
    if (put < 0 || static_cast<std::size_t>(put) != text.size()) {
        int error = put < 0 ? errno : ENOSPC;
        if (put > 0 && ftruncate(fd_.get(), info.st_size) != 0) error = errno;  // no half line left behind
        return failure(error);
    }
    if (fsync(fd_.get()) != 0) return failure(errno);
    return {};
}

std::string append_to_log(const std::string& path, const log_entry& entry, std::chrono::milliseconds max_wait) {
    production_log log;
    std::string problem = log.open(path);
    return problem.empty() ? log.append(entry, max_wait) : problem;
}
