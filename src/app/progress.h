// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line of a long device action, for the command line's front
// end: one line on standard error, redrawn in place, such as
//     Writing 1024 of 32768 bytes, 2:54 left
// and wiped before the action's outcome is printed.
//
// It is drawn only where someone watches it and only when waiting would
// otherwise puzzle them: on a terminal, once the action has run for a
// second. Anywhere else (a pipe, a log, the tests) it prints nothing at all,
// so the output stays byte for byte as without it. Redraws come at most ten
// times a second, whatever the rate of updates.
//
// Use: make one at the start of an action, report each phase's bytes as they
// are done (from a read_watch, and after each write transaction), and call
// clear() before printing the outcome (the destructor clears too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace eeprom24c01 {

enum class progress_phase { reading, writing, verifying };

// Microseconds since any fixed point; only differences count.
using progress_clock = std::function<std::uint64_t()>;
// Receives the bytes to put on the terminal.
using progress_sink = std::function<void(std::string_view)>;

class progress_display {
public:
    // On standard error if it is a terminal, on the steady clock or on clock.
    progress_display();
    explicit progress_display(progress_clock clock);
    // On out if terminal, on clock: for tests, and for a front end with a
    // clock of its own (the simulated board's bus time, say).
    progress_display(bool terminal, progress_sink out, progress_clock clock);
    progress_display(const progress_display&) = delete;
    progress_display& operator=(const progress_display&) = delete;
    ~progress_display() { clear(); }

    // done of total bytes of phase. A new phase or total starts the phase's
    // clock, from which the time left is estimated.
    void update(progress_phase phase, std::size_t done, std::size_t total);
    // Wipes the line if one is shown; later updates may draw it again.
    void clear();

private:
    void draw(std::uint64_t now);

    bool terminal_;
    progress_sink out_;
    progress_clock clock_;
    std::uint64_t action_start_;
    std::uint64_t phase_start_ = 0;
    progress_phase phase_ = progress_phase::reading;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    bool started_ = false;         // a phase has been reported
    bool shown_ = false;           // a line is on the terminal
    std::uint64_t last_draw_ = 0;
    std::size_t width_ = 0;        // of the line on the terminal
};

// The text of the line, without "\r": for a phase, its bytes and the time its
// elapsed part took (microseconds).
std::string progress_line(progress_phase phase, std::size_t done, std::size_t total, std::uint64_t elapsed_us);

}  // namespace eeprom24c01
