// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/action_record.h"

#include <cstdio>

#include "app/command.h"

namespace {

const char* action_name(tool_action action) {
    switch (action) {
        case tool_action::read: return "read";
        case tool_action::write: return "write";
        case tool_action::verify: return "verify";
        case tool_action::check: return "check";
        case tool_action::erase: return "erase";
        case tool_action::blank_check: return "blank-check";
        default: return "";
    }
}

}  // namespace

action_record::action_record(const tool_options& options, const eeprom_device& device, const production_log* log)
    : log_(log && log->is_open() ? log : nullptr), start_(std::chrono::steady_clock::now()) {
    entry.time = std::chrono::system_clock::now();
    entry.action = action_name(options.action);
    entry.port = device.name();
    // Stations that each simulate a board are told apart by their chip files.
    if (options.backend == backend_kind::simulated) entry.port += " (" + options.chip_file + ")";
    entry.chip = std::string(device.target().profile->name);
}

int action_record::finish(int status) {
    if (finished_ || !log_) return status;
    finished_ = true;
    entry.exit_status = status;
    if (status == EXIT_DONE) entry.outcome = "ok";
    else if (entry.outcome.empty()) entry.outcome = "failed";
    entry.duration_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    std::string problem = log_->append(entry);
    if (problem.empty()) return status;
    std::fprintf(stderr, "%s.\n", problem.c_str());
    return status == EXIT_DONE ? EXIT_FAILED : status;
}
