// SPDX-License-Identifier: GPL-3.0-or-later
// One command-line action as the production log records it: the action fills
// in what it did, and the end of the run takes the finished entry to the log.
#pragma once

#include <chrono>
#include <string>

#include "app/options.h"
#include "device/eeprom_device.h"
#include "production/production_log.h"

namespace eeprom24c01 {

class action_record {
public:
    action_record(const tool_options& options, const eeprom_device& device);

    log_entry entry;
    // The failure's line (its newline left out) becomes the outcome. The
    // first failure said is the one kept.
    void failed(std::string_view line) {
        if (line.ends_with('\n')) line.remove_suffix(1);
        if (entry.outcome.empty()) entry.outcome = line;
    }
    // The entry of a run that ended with status, and the time it took.
    const log_entry& finished(int status);

private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace eeprom24c01
