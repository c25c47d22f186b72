// SPDX-License-Identifier: GPL-3.0-or-later
// SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE during a device action. The
// handler only notes the signal; the action finishes the byte transaction it
// is in, rests the lines and ends, and the front end then ends the program.
// Outside device actions each signal keeps the disposition it had, and one
// that was ignored when the tool started (nohup, trap '' INT) stays ignored.
#pragma once

#include <signal.h>

namespace eeprom24c01 {

// While one exists, the signals are noted instead of acting. The first one
// made clears the signal noted before; scopes may nest, an inner one noting
// what an outer one left alone, and each puts back the dispositions it found.
class interruption_scope {
public:
    interruption_scope();
    ~interruption_scope();
    interruption_scope(const interruption_scope&) = delete;
    interruption_scope& operator=(const interruption_scope&) = delete;

private:
    static constexpr int COUNT = 5;
    struct sigaction previous_[COUNT] {};
    bool installed_[COUNT] = {};
};

// The first signal noted since the outermost scope began, or 0. It stays
// readable after the scope has ended, until the next action begins.
int interruption_signal();
// How many signals were noted since the process began: a wait that must go
// on after the first signal (the log line of an interrupted run) still ends
// on one that comes while it waits.
int interruption_count();

}  // namespace eeprom24c01
