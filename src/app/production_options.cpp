// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/production_options.h"

#include "app/actions.h"
#include "app/options.h"
#include "image/file_format.h"
#include "util/number.h"

namespace eeprom24c01 {

namespace {

constexpr std::uint32_t MOST_LOCK_WAIT_SECONDS = 86400;  // a day

}  // namespace

std::string choose_production(const tool_options& options, const chip_target& target, production_choice& choice) {
    const production_request& request = options.production;
    const action_row* row = row_of(options.action);
    const bool loading = row && row->loads_image;
    const bool reading = row && row->takes_file && !loading;
    if (!request.format.empty()) {
        if (!reading && !loading) return "--format goes with " + actions_that(&action_row::takes_file);
        const file_format* format = find_file_format(request.format);
        if (!format) return "unknown format '" + request.format + "': --format list shows the known ones";
        if (reading && !format->written)
            return "--read writes " + written_format_names() + ", not '" + request.format + "'";
        if (loading && !format->read())
            return "--format " + request.format + " is only written: --write and --verify cannot read it";
        if (reading) choice.format = *format->written;
        else choice.read_format = format;
    } else if (reading) {
        choice.format = implied_output_format(options.image_file);
    }
    if (request.serial.empty() != request.serial_file.empty())
        return request.serial.empty() ? "--serial-file goes with --serial" : "--serial needs --serial-file FILE";
    if (!request.serial.empty()) {
        if (!row || !row->stamps_serial) return "--serial goes with " + actions_that(&action_row::stamps_serial);
        // The number moves on only after the board was verified.
        if (options.no_verify) return "--serial needs the verify: leave out --no-verify";
        if (std::string problem = parse_serial_layout(request.serial, target.size(), choice.serial); !problem.empty())
            return problem;
        choice.stamps_serial = true;
    }
    if (!request.log_file.empty() && !row) return "--log goes with an action";
    if (!request.lock_wait.empty()) {
        std::uint32_t seconds = 0;
        if (parse_number(request.lock_wait, seconds) != number_reading::number || seconds > MOST_LOCK_WAIT_SECONDS)
            return "--lock-wait takes whole seconds, 0 to " + std::to_string(MOST_LOCK_WAIT_SECONDS);
        if (request.log_file.empty() && request.serial_file.empty()) return "--lock-wait goes with --log or --serial-file";
        choice.lock_wait = std::chrono::seconds(seconds);
    }
    // The log is kept in a file; standard error holds the messages.
    if (request.log_file == "-") return "--log takes a file, not '-'";
    return {};
}

void print_format_list(std::FILE* out) {
    std::fputs("format              -w/-v  -r   checksums\n", out);
    auto yes = [](bool b) { return b ? "yes" : "no"; };
    for (const file_format& f : file_formats())
        std::fprintf(out, "%-19s %-6s %-4s %s\n", std::string(f.name).c_str(), yes(f.read()), yes(f.written.has_value()),
                     yes(f.checksums));
}

}  // namespace eeprom24c01
