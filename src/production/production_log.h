// SPDX-License-Identifier: GPL-3.0-or-later
// The production log: one CSV line per command-line action, appended whole
// under a lock, so stations on a line can share one file.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

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

// Appends the entry to path, created with the header when new, in one write
// under an exclusive lock (waiting at most max_wait), flushed to disk before
// it returns. "" or one line saying why the line is not in the log.
std::string append_to_log(const std::string& path, const log_entry& entry,
                          std::chrono::milliseconds max_wait = std::chrono::milliseconds(30000));
