// SPDX-License-Identifier: GPL-3.0-or-later
// Image files for -w and -v: raw images of the chip's size, and load files
// (Intel HEX, S-records, TI-TXT and the other text formats libsrecord reads),
// told apart by their content, never by their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/sparse_image.h"

// Larger inputs are refused: no 24Cxx image comes near it, and a device or
// pipe without end cannot keep the tool reading.
inline constexpr std::size_t LOAD_FILE_LIMIT = 4u << 20;

struct loaded_file {
    std::string error;        // "" or one line, without a newline, naming the file
    sparse_image image;
    std::string format;       // "raw", or libsrecord's name for the format
    std::vector<std::uint8_t> source;  // the file's bytes as read, for its digest
    bool read_whole = false;           // source is the whole file, also when it is refused
};

// Reads name ("-": standard input) whole, then: a file whose first record
// (an extended-address record too) one of libsrecord's readers with checksums
// takes is that kind of load file and must read whole; a fault gives "FILE:
// line N: what". A file of exactly chip_size bytes is otherwise a raw image,
// so that any chip's contents read back in; formats without checksums (raw
// bytes often read as theirs) count only for files of other sizes and must
// read whole. A file that begins like a checksummed format's record and is
// nothing else gets that format's fault. Data past the chip's end, the same
// address given two values, and a load file without data are refused.
// Nothing is written anywhere.
loaded_file load_file(const std::string& name, std::uint32_t chip_size);
