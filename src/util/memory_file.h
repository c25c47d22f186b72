// SPDX-License-Identifier: GPL-3.0-or-later
// A file that lives in memory only (memfd), with a path that libraries which
// open files by name can use: load files are read and rendered through it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "util/unique_fd.h"

namespace eeprom24c01 {

class memory_file {
public:
    // Check error() after construction. Each call gives 0 or the errno of
    // the system call that failed.
    memory_file();

    int error() const { return error_; }
    // "/proc/self/fd/N": opening it reaches these bytes from offset 0.
    const std::string& path() const { return path_; }

    // Whether size bytes fit under the process's file size limit (ulimit -f),
    // which holds for files in memory too. Leaves the file empty.
    int room_for(std::size_t size);
    // Replaces the contents.
    int assign(std::span<const std::uint8_t> bytes);
    // The contents as they are now, whoever wrote them.
    int contents(std::vector<std::uint8_t>& bytes) const;

private:
    unique_fd fd_;
    std::string path_;
    int error_ = 0;
};

}  // namespace eeprom24c01
