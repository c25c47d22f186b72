// SPDX-License-Identifier: GPL-3.0-or-later
// The formats of image files by the names --format takes: those -r writes,
// and the text formats libsrecord reads for -w and -v.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <srecord/input/file.h>

#include "image/output_format.h"

namespace eeprom24c01 {

struct file_format {
    std::string_view name;
    std::optional<output_format> written;  // what -r writes under this name; nullopt: -r does not
    // libsrecord's reader; null for raw bytes and for a format only written.
    srecord::input_file::pointer (*reader)(const std::string& path);
    // Every record carries a checksum, so a file such a format reads whole
    // is surely of it: only these are told by a file's content.
    bool checksums;
    // Its end record is the execution-start record (S7, S8 or S9; Tektronix's
    // record of length 0), which the reader hands over and then reads on: the
    // file is read up to it and no further.
    bool start_record_ends = false;

    bool is_raw() const { return written == output_format::raw; }
    bool read() const { return reader != nullptr || is_raw(); }
};

// Every format, sorted by name.
std::span<const file_format> file_formats();
// Null for a name no format has.
const file_format* find_file_format(std::string_view name);
// The format a file name's extension gives, in any case: .hex and .ihex
// ihex; .srec, .s19, .s28 and .s37 srec; .bin, .raw, .dat and .rom raw.
// Null for any other name.
const file_format* format_of_name(std::string_view file_name);
// "hexdump, ihex, raw, srec or ti-txt": the names -r writes.
std::string written_format_names();

}  // namespace eeprom24c01
