// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/production_options.h"

#include "app/options.h"

std::string choose_production(const tool_options& options, const chip_target& target, production_choice& choice) {
    const production_request& request = options.production;
    const bool reading = options.action == tool_action::read;
    if (!request.format.empty()) {
        if (!reading) return "--format goes with --read";
        std::optional<output_format> format = parse_output_format(request.format);
        if (!format) return "--format takes raw, ihex, srec, ti-txt or hexdump, not '" + request.format + "'";
        choice.format = *format;
    } else if (reading) {
        choice.format = implied_output_format(options.image_file);
    }
    if (request.serial.empty() != request.serial_file.empty())
        return request.serial.empty() ? "--serial-file goes with --serial" : "--serial needs --serial-file FILE";
    if (!request.serial.empty()) {
        if (options.action != tool_action::write) return "--serial goes with --write";
        // The number moves on only after the board was verified.
        if (options.no_verify) return "--serial needs the verify: leave out --no-verify";
        if (std::string problem = parse_serial_layout(request.serial, target.size(), choice.serial); !problem.empty())
            return problem;
        choice.stamps_serial = true;
    }
    if (!request.log_file.empty() && options.action == tool_action::menu) return "--log goes with an action";
    // The log is kept in a file; standard error holds the messages.
    if (request.log_file == "-") return "--log takes a file, not '-'";
    return {};
}
