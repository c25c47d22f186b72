// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_ending.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/command.h"
#include "util/interruption.h"
#include "text/printable_name.h"

namespace eeprom24c01 {

namespace {

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

bool signal_noted() { return interruption_signal() != 0; }

}  // namespace

std::string close_outputs(bus_trace* trace) {
    const char* trace_name = trace && trace->on_standard_output() ? "standard output" : "the trace";
    const int trace_error = trace ? trace->close() : 0;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (std::ferror(stdout) || !flushed) {
        // A trace on standard output saw the write fail, and kept why.
        const int cause = error ? error : trace_error;
        return std::string("eeprom24c01: cannot write standard output") + (cause ? ": " : "") +
               (cause ? std::strerror(cause) : "") + ".\n";
    }
    if (trace_error) return "eeprom24c01: cannot write " + std::string(trace_name) + ": " + std::strerror(trace_error) + ".\n";
    return {};
}

int conclude_run(run_ending& ending, int status, bus_trace* trace, const production_log* log) {
    action_record& record = ending.record;
    // An output that is not whole fails the run, whatever its action did.
    if (std::string problem = close_outputs(trace); !problem.empty()) {
        std::fputs(problem.c_str(), stderr);
        record.failed(problem.substr(std::strlen("eeprom24c01: ")));
        if (status == EXIT_DONE) status = EXIT_FAILED;
    }
    // The number a run that fails from here on leaves unused, for its lines.
    const std::string number = ending.serial && status == EXIT_DONE ? record.entry.serial : "";
    const std::string not_used = number.empty() ? "" : "; serial number " + number + " was not used";
    // A signal noted up to here ends the run as interrupted; one that comes
    // later finds the run decided.
    if (int signal = interruption_signal(); signal != 0 && status < 128) {
        if (status == EXIT_DONE) say("Interrupted after the action was done" + not_used + ".");
        record.failed("interrupted");
        status = 128 + signal;
    }
    if (log) {
        const std::string shown = printable_name(log->path());
        int error = log->lock(
            STATION_LOCK_WAIT, [&] { say("Waiting for the log " + shown + ", which another station holds..."); },
            signal_noted);
        if (error == EINTR && signal_noted()) {
            say("Interrupted while waiting for the log " + shown + "; this action's line was not written" + not_used + ".");
            return 128 + interruption_signal();
        }
        if (error != 0) {
            std::fputs(log->lock_failure(error).c_str(), stderr);
            if (!number.empty()) say("Serial number " + number + " was not used.");
            return status == EXIT_DONE ? EXIT_FAILED : status;
        }
    }
    bool stored = false;
    if (status == EXIT_DONE && ending.serial) {
        if (std::string problem = ending.serial->commit(); !problem.empty()) {
            std::fputs(problem.c_str(), stderr);
            record.failed(problem);
            status = EXIT_FAILED;
        } else {
            stored = true;
        }
    }
    if (log) {
        if (std::string problem = log->append_locked(record.finished(status)); !problem.empty()) {
            std::fputs(problem.c_str(), stderr);
            // A number no line records is taken back.
            if (stored) {
                std::string kept = ending.serial->restore();
                if (kept.empty()) say("Serial number " + record.entry.serial + " was not used.");
                else std::fputs(kept.c_str(), stderr);
                stored = false;
            }
            if (status == EXIT_DONE) status = EXIT_FAILED;
        }
    }
    if (stored)
        say("Serial number " + record.entry.serial + " stamped at " + ending.serial_place + "; the next is " +
            std::to_string(ending.serial->value()) + ".");
    if (status == EXIT_DONE)
        for (const std::string& line : ending.closing) say(line);
    return status;
}

}  // namespace eeprom24c01
