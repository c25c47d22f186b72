// SPDX-License-Identifier: GPL-3.0-or-later
// Moving images between the menu's image and raw files of the part's size:
// menu options 3 and 4, and the load that option 7 uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Each asks for a file name; false when standard input ended instead. A save
// never writes over keep_off (the simulated chip's file), by any name.
bool save_buffer_to_file(std::span<const std::uint8_t> image, const std::string& keep_off = {});
bool read_custom_file(std::span<std::uint8_t> image);

// Reads up to buffer.size() bytes of the file into buffer; slots past a short file keep
// their values. The file is opened for reading only and never created. False
// when it cannot be opened or read; buffer is then untouched.
bool load_image_file(const std::string& name, std::span<std::uint8_t> buffer);
