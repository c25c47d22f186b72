// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace eeprom24c01 {

namespace {

constexpr std::uint64_t SHOW_AFTER_US = 1000000;   // shorter actions show nothing
constexpr std::uint64_t REDRAW_EVERY_US = 100000;  // ten redraws a second

std::uint64_t steady_us() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

const char* phase_name(progress_phase phase) {
    switch (phase) {
        case progress_phase::reading:
            return "Reading";
        case progress_phase::writing:
            return "Writing";
        case progress_phase::verifying:
            return "Verifying";
    }
    return "";
}

}  // namespace

std::string progress_line(progress_phase phase, std::size_t done, std::size_t total, std::uint64_t elapsed_us) {
    std::string line = std::string(phase_name(phase)) + " " + std::to_string(done) + " of " + std::to_string(total) + " bytes";
    // No rate yet, no estimate: a phase just begun would say "0:00 left".
    if (done == 0 || done >= total || elapsed_us == 0) return line;
    // The rest at the rate so far, rounded up.
    long double rest_us = static_cast<long double>(elapsed_us) * static_cast<long double>(total - done) / done;
    std::uint64_t seconds = static_cast<std::uint64_t>((rest_us + 999999) / 1000000);
    char left[40];
    std::snprintf(left, sizeof left, ", %llu:%02llu left", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    return line + left;
}

progress_display::progress_display() : progress_display(steady_us) {}

progress_display::progress_display(progress_clock clock)
    : progress_display(isatty(STDERR_FILENO) == 1,
                       [](std::string_view bytes) {
                           std::fwrite(bytes.data(), 1, bytes.size(), stderr);
                           std::fflush(stderr);
                       },
                       std::move(clock)) {}

progress_display::progress_display(bool terminal, progress_sink out, progress_clock clock)
    : terminal_(terminal), out_(std::move(out)), clock_(std::move(clock)), action_start_(clock_()) {}

void progress_display::update(progress_phase phase, std::size_t done, std::size_t total) {
    if (!terminal_) return;
    std::uint64_t now = clock_();
    bool new_phase = !started_ || phase != phase_ || total != total_;
    if (new_phase) {
        phase_ = phase;
        total_ = total;
        phase_start_ = now;
        started_ = true;
    }
    done_ = done;
    if (now - action_start_ < SHOW_AFTER_US) return;
    if (shown_ && !new_phase && now - last_draw_ < REDRAW_EVERY_US) return;
    draw(now);
}

void progress_display::draw(std::uint64_t now) {
    std::string line = progress_line(phase_, done_, total_, now - phase_start_);
    std::string text = "\r";
    text += line;
    // Blanks over what a longer line before left behind.
    if (line.size() < width_) text.append(width_ - line.size(), ' ');
    out_(text);
    width_ = line.size();
    shown_ = true;
    last_draw_ = now;
}

void progress_display::clear() {
    if (!shown_) return;
    std::string wipe(width_ + 2, ' ');
    wipe.front() = wipe.back() = '\r';
    out_(wipe);
    shown_ = false;
    width_ = 0;
}

}  // namespace eeprom24c01
