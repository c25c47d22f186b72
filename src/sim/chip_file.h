// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated chip's contents on disk: a raw image of exactly the chip's
// size, like an image file. The file stays open and locked while a tool uses
// it, as a claimed port is held, and it is written in place so that its
// owner, mode and lock stay.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "util/unique_fd.h"

namespace eeprom24c01 {

struct chip_file {
    unique_fd fd;  // closing it gives up the lock
    std::string path;
    bool created = false;  // made blank by this open
};

// Opens path for reading and writing, locks it for this process and fills
// contents with its size bytes. A missing file is created as a blank chip
// (all 0xFF) of that size, and file.created says so. Returns "" or one line
// saying why the file cannot be used: another tool holds it, it may not be
// written, it is not an image of that size (both sizes named). The file is
// then left as it was; a new one that could not be made is not left behind.
std::string chip_file_open(const std::string& path, std::uint32_t size, chip_file& file,
                           std::vector<std::uint8_t>& contents);
// Writes contents over the file's bytes and flushes them to disk: 0, or the
// errno of the call that failed.
int chip_file_save(const chip_file& file, std::span<const std::uint8_t> contents);

}  // namespace eeprom24c01
