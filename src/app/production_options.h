// SPDX-License-Identifier: GPL-3.0-or-later
// The options of production runs: the format of -r's output and of -w's and
// -v's file, the serial number stamped by -w, and the log. Taken as given by
// the parser, checked against the chosen part before any port is touched.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "chip/chip_profile.h"
#include "image/output_format.h"
#include "production/serial_number.h"

namespace eeprom24c01 {

struct production_request {
    std::string format;       // --format NAME; "" lets the file's name (or, for -w and -v, content) decide
    std::string serial;       // --serial ADDRESS:LENGTH[:FORMAT]
    std::string serial_file;  // --serial-file FILE
    std::string log_file;     // --log FILE
    std::string lock_wait;    // --lock-wait SECONDS; "": the default
};

struct file_format;

// What the request comes to for one part.
struct production_choice {
    output_format format = output_format::raw;  // of -r
    const file_format* read_format = nullptr;    // of -w and -v; null: load_file decides
    bool stamps_serial = false;
    serial_layout serial;
    // How long the serial file and the log are waited for while another
    // station holds them.
    std::chrono::milliseconds lock_wait{300000};
};

struct tool_options;
// Checks the request against the action and the part. Returns "" or one line
// saying what is wrong (a usage error).
std::string choose_production(const tool_options& options, const chip_target& target, production_choice& choice);
// --format list: a header, then a line per format, which -w and -v read, -r
// writes, and which carry checksums.
void print_format_list(std::FILE* out);

}  // namespace eeprom24c01
