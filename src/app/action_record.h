// SPDX-License-Identifier: GPL-3.0-or-later
// One command-line action as the production log records it: the action fills
// in what it did, and finish() appends the line to the --log file when it
// ends, also when a signal ends it.
#pragma once

#include <chrono>
#include <string>

#include "app/options.h"
#include "device/eeprom_device.h"
#include "production/production_log.h"

class action_record {
public:
    // log: the --log file, opened before the port was touched; null: none.
    action_record(const tool_options& options, const eeprom_device& device, const production_log* log);

    log_entry entry;
    // The failure's one line (without its newline) becomes the outcome.
    void failed(const std::string& line) { entry.outcome = line; }
    // With a log, appends the line with status and the time taken, once; a
    // line that cannot be written is said on standard error and fails a good
    // action. Returns the exit status.
    int finish(int status);

private:
    const production_log* log_;
    std::chrono::steady_clock::time_point start_;
    bool finished_ = false;
};
