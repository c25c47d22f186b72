// SPDX-License-Identifier: GPL-3.0-or-later
// Image files for -w and -v: raw images of the chip's size, and load files
// (Intel HEX, S-records, TI-TXT and the other text formats libsrecord reads),
// in the format named, or the one the file's name or content shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/sparse_image.h"

namespace eeprom24c01 {

// Larger inputs are refused: no 24Cxx image comes near it, and a device or
// pipe without end cannot keep the tool reading.
inline constexpr std::size_t LOAD_FILE_LIMIT = 4u << 20;

struct file_format;

struct loaded_file {
    std::string error;        // "" or the line, with its newline, refusing the file and naming it
    sparse_image image;
    std::string format;       // the format's name in file_formats(), such as "raw"
    std::vector<std::uint8_t> source;  // the file's bytes as read, for its digest
    bool read_whole = false;           // source is the whole file, also when it is refused
};

// Reads name ("-": standard input) whole, in the format named (one that
// reads), else the one its extension gives (format_of_name), else one with
// checksums that reads every line of it, with nothing but white space after
// its end record. A file of exactly chip_size bytes that none of these
// settles is raw, so that any chip's contents read back in; any other is
// refused. A format's fault gives "FILE: line N: what". Data past the chip's
// end, the same address given two values, a raw image of another size and a
// load file without data are refused. The file is read once: the format's
// reader gets the bytes in source. Nothing is written anywhere.
loaded_file load_file(const std::string& name, std::uint32_t chip_size, const file_format* named = nullptr);

}  // namespace eeprom24c01
