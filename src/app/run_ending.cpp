// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_ending.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/command.h"
#include "util/interruption.h"
#include "production/serial_file.h"
#include "text/printable_name.h"

namespace eeprom24c01 {

namespace {

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

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
    if (trace_error == EINTR)
        return "eeprom24c01: stopped writing " + std::string(trace_name) + " on a signal: it did not get all of the trace.\n";
    if (trace_error) return "eeprom24c01: cannot write " + std::string(trace_name) + ": " + std::strerror(trace_error) + ".\n";
    return {};
}

lock_wait station_wait(std::chrono::milliseconds most, const std::string& what) {
    const int before = interruption_count();
    return {most, [what] { say("Waiting for " + what + ", which another station holds..."); },
            [before] { return interruption_count() != before; }};
}

int conclude_run(run_ending& ending, int status, bus_trace* trace, production_log* log) {
    action_record& record = ending.record;
    // An output that is not whole fails the run, whatever its action did.
    if (std::string problem = close_outputs(trace); !problem.empty()) {
        std::fputs(problem.c_str(), stderr);
        record.failed(problem.substr(std::strlen("eeprom24c01: ")));
        if (status == EXIT_DONE) status = EXIT_FAILED;
    }
    // The status is decided when the log's lock is held (or here, without a
    // log): a signal noted up to then ends the run as interrupted.
    auto decide = [&] {
        if (int signal = interruption_signal(); signal != 0 && status < 128) {
            if (status == EXIT_DONE) say("Interrupted after the action was done.");
            record.failed("interrupted");
            status = 128 + signal;
        }
    };
    if (!log) decide();
    if (log) {
        const std::string shown = printable_name(log->path());
        const int error = log->lock(station_wait(ending.lock_wait, "the log " + shown));
        if (error == 0) {
            decide();
            std::string problem = log->append_locked(record.finished(status));
            log->unlock();
            if (!problem.empty()) {
                std::fputs(problem.c_str(), stderr);
                if (status == EXIT_DONE) status = EXIT_FAILED;
            }
        } else if (error == EINTR) {
            say("Interrupted while waiting for the log " + shown + "; this action's line was not written.");
            if (status < 128) status = 128 + interruption_signal();
        } else {
            std::fputs(log->lock_failure(error).c_str(), stderr);
            if (status == EXIT_DONE) status = EXIT_FAILED;
        }
    }
    if (ending.serial) {
        const std::string number = std::to_string(*ending.serial);
        if (status == EXIT_DONE) {
            say("Serial number " + number + " stamped at " + ending.serial_place + ".");
        } else if (std::string kept = give_back_serial_number(
                       ending.serial_file, *ending.serial,
                       station_wait(ending.lock_wait, "the serial file " + printable_name(ending.serial_file)));
                   !kept.empty()) {
            std::fputs(kept.c_str(), stderr);
        } else {
            say("Serial number " + number + " was not used: it is given back for the next board.");
        }
    }
    if (status == EXIT_DONE) {
        for (const std::string& line : ending.closing) say(line);
        // Settled and logged as done before the signal came: it stands.
        if (interruption_signal() != 0) say("A signal came after this run was settled; it stands as done.");
    }
    return status;
}

}  // namespace eeprom24c01
