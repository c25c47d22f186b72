// SPDX-License-Identifier: GPL-3.0-or-later
// The end of a command-line run, where its exit status, its messages, the
// production log and the serial file are made to tell one story: outputs
// are checked first, a signal noted by then ends the run as interrupted, the
// log's lock is taken, and only then does a serial number move on, before
// the log line that records it. A line that cannot be written takes the
// number back, so a number is used only by a run that ends with status 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/action_record.h"
#include "bus/trace.h"
#include "production/production_log.h"
#include "production/serial_number.h"

namespace eeprom24c01 {

// What a run leaves to be settled once its action is over.
struct run_ending {
    explicit run_ending(action_record made) : record(std::move(made)) {}

    action_record record;
    std::optional<serial_session> serial;  // held, locked, from before the port was touched
    std::string serial_place;              // where the number was stamped, such as "0x10"
    // Said only when the run ends well, after the number is stored.
    std::vector<std::string> closing;
};

// How long a log or serial file that another station holds is waited for.
inline constexpr std::chrono::milliseconds STATION_LOCK_WAIT{30000};

// Closes the trace and flushes standard output: "" or the line, with its
// newline, saying which of them could not be written and why.
std::string close_outputs(bus_trace* trace);

// Settles a run whose action ended with status; log may be null (no --log).
// Returns the run's exit status, which the log line records.
int conclude_run(run_ending& ending, int status, bus_trace* trace, const production_log* log);

}  // namespace eeprom24c01
