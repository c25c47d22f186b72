// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/interruption.h"

namespace eeprom24c01 {

namespace {

// What a signal handler may touch: the only state kept outside the scopes.
volatile sig_atomic_t received = 0;
volatile sig_atomic_t noted = 0;  // every signal noted, the first and those after it
int depth = 0;

constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// The first signal is the one the user sent; a pipe that breaks because the
// reader got the same Ctrl-C comes after it.
extern "C" void note_signal(int number) {
    if (received == 0) received = number;
    noted = noted + 1;
}

}  // namespace

interruption_scope::interruption_scope() {
    if (depth++ == 0) received = 0;
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a claim that sleeps on a busy port must wake up. Every
    // write that may block inside a scope retries after EINTR itself.
    action.sa_flags = 0;
    for (int i = 0; i < COUNT; ++i) {
        if (sigaction(SIGNALS[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN ||
            previous_[i].sa_handler == note_signal)
            continue;
        installed_[i] = sigaction(SIGNALS[i], &action, nullptr) == 0;
    }
}

interruption_scope::~interruption_scope() {
    --depth;
    for (int i = 0; i < COUNT; ++i)
        if (installed_[i]) sigaction(SIGNALS[i], &previous_[i], nullptr);
}

int interruption_signal() { return received; }

int interruption_count() { return noted; }

}  // namespace eeprom24c01
