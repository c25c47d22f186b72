#include "eeprom/interruption.h"

#include <signal.h>

namespace {

volatile sig_atomic_t received = 0;

extern "C" void note_signal(int number) { received = number; }

void handle_both(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a claim that sleeps on a busy port must wake up.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

void interruption_arm() { handle_both(note_signal); }

void interruption_disarm() { handle_both(SIG_DFL); }

int interruption_signal() { return received; }
