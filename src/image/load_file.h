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
};

// Reads name ("-": standard input) whole, then: a file whose first record one
// of libsrecord's text readers takes is that kind of load file and must read
// whole; a fault gives "FILE: line N: what". Readers without a checksum must
// read it whole to count, as raw bytes often begin like their records.
// Anything else is a raw image and must be exactly chip_size bytes. Data past
// the chip's end, the same address given two values, and a load file without
// data are refused. Nothing is written anywhere.
loaded_file load_file(const std::string& name, std::uint32_t chip_size);
