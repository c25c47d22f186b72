// SPDX-License-Identifier: GPL-3.0-or-later
// The end of a command-line run, where its exit status, its messages, the
// production log and the serial file are made to tell one story: outputs
// are checked first, a signal noted until the log's lock is held ends the
// run as interrupted, the log line records the status, and a serial number
// taken for a board that did not pass (or whose line could not be written)
// is given back to the serial file for the next board. So a number stays
// used only by a run that ends with status 0 and whose line says so.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/action_record.h"
#include "bus/trace.h"
#include "production/production_log.h"

namespace eeprom24c01 {

// How long a log or serial file that another station holds is waited for,
// unless --lock-wait says otherwise.
inline constexpr std::chrono::milliseconds STATION_LOCK_WAIT{300000};

// What a run leaves to be settled once its action is over.
struct run_ending {
    explicit run_ending(action_record made) : record(std::move(made)) {}

    action_record record;
    std::chrono::milliseconds lock_wait = STATION_LOCK_WAIT;
    std::string serial_file;               // --serial-file
    std::optional<std::uint64_t> serial;   // the number taken from it, until it is settled
    std::string serial_place;              // where the number was stamped, such as "0x10"
    // Said only when the run ends well, after the number is settled.
    std::vector<std::string> closing;
};

// Closes the trace and flushes standard output: "" or the line, with its
// newline, saying which of them could not be written and why.
std::string close_outputs(bus_trace* trace);

// The wait for a station's lock, with its one waiting line naming what. It
// ends on a signal that comes while it waits, but not on one noted before
// it began: an interrupted run still logs its line and gives back its number.
lock_wait station_wait(std::chrono::milliseconds most, const std::string& what);

// Settles a run whose action ended with status; log may be null (no --log).
// Returns the run's exit status, which the log line records.
int conclude_run(run_ending& ending, int status, bus_trace* trace, production_log* log);

}  // namespace eeprom24c01
