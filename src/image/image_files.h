// Moving images between image_buffer and raw 128-byte files: menu options
// 3 and 4, and the load that option 7 uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void save_buffer_to_file();
void read_custom_file();

// Reads up to 128 bytes of the file into buffer; slots past a short file keep
// their values. The file is opened for reading only and never created. False
// when it cannot be opened or read; buffer is then untouched.
bool load_image_file(const std::string& name, std::uint8_t* buffer);

// A whole image for the command line, where a file is exactly 128 raw bytes
// and "-" is standard input. Reads at most one byte past that, so an endless
// input ends at once. Returns "" or one line (without a newline) saying what
// went wrong.
std::string read_exact_image(const std::string& name, std::uint8_t* image);
// Writes all of size bytes to fd, going on after short writes and signals.
// False on an error, with errno saying which.
bool write_all(int fd, const std::uint8_t* bytes, std::size_t size);
