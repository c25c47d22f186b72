// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/action_record.h"

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

action_record::action_record(const tool_options& options, const eeprom_device& device)
    : start_(std::chrono::steady_clock::now()) {
    entry.time = std::chrono::system_clock::now();
    entry.action = action_name(options.action);
    entry.port = device.name();
    // Stations that each simulate a board are told apart by their chip files.
    if (options.backend == backend_kind::simulated) entry.port += " (" + options.chip_file + ")";
    entry.chip = std::string(device.target().profile->name);
}

const log_entry& action_record::finished(int status) {
    entry.exit_status = status;
    if (status == EXIT_DONE) entry.outcome = "ok";
    else if (entry.outcome.empty()) entry.outcome = "failed";
    entry.duration_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    return entry;
}
