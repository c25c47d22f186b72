// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/action_record.h"

#include "app/actions.h"
#include "app/command.h"

namespace eeprom24c01 {

action_record::action_record(const tool_options& options, const eeprom_device& device)
    : start_(std::chrono::steady_clock::now()) {
    entry.time = std::chrono::system_clock::now();
    const action_row* row = row_of(options.action);
    entry.action = row ? row->name : "";
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

}  // namespace eeprom24c01
