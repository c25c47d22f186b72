// The simulated chip's 128 bytes on disk: a raw image, like an image file.
#pragma once

#include <cstdint>
#include <string>

// Fills contents from path. A missing file becomes a blank chip (all 0xFF)
// and is created. Returns "" or one line saying why the file cannot be used;
// a file of the wrong size is never touched.
std::string chip_file_load(const std::string& path, std::uint8_t* contents);
// Replaces path with contents atomically: a temporary file in the same
// folder, flushed to disk, then renamed over it. Returns "" or the reason.
std::string chip_file_save(const std::string& path, const std::uint8_t* contents);
