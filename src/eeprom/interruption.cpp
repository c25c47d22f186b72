#include "eeprom/interruption.h"

namespace {

// What a signal handler may touch: the only state kept outside the scopes.
volatile sig_atomic_t received = 0;
int depth = 0;

constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void note_signal(int number) { received = number; }

}  // namespace

interruption_scope::interruption_scope() : outermost_(depth++ == 0) {
    if (!outermost_) return;
    received = 0;
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a claim that sleeps on a busy port must wake up.
    action.sa_flags = 0;
    for (int i = 0; i < COUNT; ++i) {
        if (sigaction(SIGNALS[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN) continue;
        installed_[i] = sigaction(SIGNALS[i], &action, nullptr) == 0;
    }
}

interruption_scope::~interruption_scope() {
    --depth;
    for (int i = 0; i < COUNT; ++i)
        if (installed_[i]) sigaction(SIGNALS[i], &previous_[i], nullptr);
}

int interruption_signal() { return received; }
