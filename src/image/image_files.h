// Moving images between the menu's image and raw files of the part's size:
// menu options 3 and 4, and the load that option 7 uses.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Each asks for a file name; false when standard input ended instead.
bool save_buffer_to_file(std::span<const std::uint8_t> image);
bool read_custom_file(std::span<std::uint8_t> image);

// Reads up to buffer.size() bytes of the file into buffer; slots past a short file keep
// their values. The file is opened for reading only and never created. False
// when it cannot be opened or read; buffer is then untouched.
bool load_image_file(const std::string& name, std::span<std::uint8_t> buffer);

// Whole images for the command line, where a file is exactly the part's size
// and "-" is standard input or output. Each returns "" or one line (without
// a newline) saying what went wrong.
std::string read_exact_image(const std::string& name, std::span<std::uint8_t> image);
// The target is replaced only by a complete new file: the bytes go to a
// temporary file in the same folder, which is flushed and renamed over it.
// On failure the target is left as it was.
std::string replace_image_file(const std::string& name, std::span<const std::uint8_t> image);
