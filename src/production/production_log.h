// SPDX-License-Identifier: GPL-3.0-or-later
// The production log: one CSV line per command-line action, appended whole
// under a lock, so stations on a line can share one file.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "util/bounded_lock.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

struct log_entry {
    std::chrono::system_clock::time_point time;
    std::string action;        // "write", "verify", "read", "erase", "blank-check"
    std::string port;
    std::string chip;
    std::string image_file;    // "" when the action has none
    std::string image_sha256;  // of the file's bytes as read
    std::string serial;        // "" without --serial
    long long bytes_written = 0;
    std::string outcome;       // "ok", or what went wrong in a few words
    int exit_status = 0;
    long long duration_ms = 0;
};

inline constexpr std::string_view LOG_HEADER =
    "time,action,port,chip,image,image_sha256,serial,bytes_written,outcome,exit_status,duration_ms\n";

// "2024-05-01T12:34:56Z"
std::string iso8601_utc(std::chrono::system_clock::time_point time);
// A field as CSV needs it: quoted, with quotes doubled, when it holds a comma,
// a quote or a line break.
std::string csv_field(std::string_view text);
// The entry's line, with its newline.
std::string log_line(const log_entry& entry);

// The log file of one run, opened before the port is touched, so that a log
// that cannot be written is found before a board is programmed.
class production_log {
public:
    // Opens path for reading and appending, created when missing; it must be
    // a regular file. "" or one line, with its newline, saying why it cannot be the log.
    std::string open(const std::string& path);
    bool is_open() const { return static_cast<bool>(fd_); }
    const std::string& path() const { return path_; }
    // Takes the log's exclusive lock, held until unlock() or until the log
    // is closed: 0, or as lock_within says. A log replaced by rename while
    // another station held it is opened again under its name.
    int lock(const lock_wait& wait);
    void unlock() const;
    // The line, with its newline, for a lock that could not be had, or a line
    // not written.
    std::string lock_failure(int error) const;
    // Under the lock: appends the entry, after the header when the file is
    // empty, in one write flushed to disk before it returns; an unfinished
    // last line is ended first. "" or the line saying why the line is not in
    // the log: a line not written whole, or not flushed, is taken out again.
    std::string append_locked(const log_entry& entry) const;
    // lock, append_locked, unlock.
    std::string append(const log_entry& entry, const lock_wait& wait = {});

private:
    std::string path_;
    unique_fd fd_;
};

// Opens path as the log and appends the entry: "" or why not.
std::string append_to_log(const std::string& path, const log_entry& entry, const lock_wait& wait = {});

}  // namespace eeprom24c01
