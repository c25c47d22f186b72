// The simulated chip's 128 bytes on disk: a raw image, like an image file.
// The file stays open and locked while a tool uses it, as a claimed port is
// held, and it is written in place so that its owner, mode and lock stay.
#pragma once

#include <cstdint>
#include <string>

struct chip_file {
    int fd = -1;
    std::string path;
    bool created = false;  // made blank by this open
};

// Opens path for reading and writing, locks it for this process and fills
// contents from it. A missing file is created as a blank chip (all 0xFF),
// and file.created says so.
// Returns "" or one line saying why the file cannot be used: another tool
// holds it, it may not be written, it is not a 128-byte image. The file is
// then left as it was.
std::string chip_file_open(const std::string& path, chip_file& file, std::uint8_t* contents);
// Writes contents over the file's 128 bytes and flushes them to disk.
// Returns "" or the reason.
std::string chip_file_save(const chip_file& file, const std::uint8_t* contents);
