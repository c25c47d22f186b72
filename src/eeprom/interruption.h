// SIGINT, SIGTERM, SIGHUP and SIGQUIT during a device action. The handler
// only notes the signal; the action finishes the byte transaction it is in,
// rests the lines and ends, and the front end then ends the program. Outside
// device actions each signal keeps the disposition it had, and one that was
// ignored when the tool started (nohup, trap '' INT) stays ignored.
#pragma once

#include <signal.h>

// While one exists, the four signals are noted instead of acting. The first
// one made clears the signal noted before; scopes may nest, and the last one
// to end puts back the dispositions that were there.
class interruption_scope {
public:
    interruption_scope();
    ~interruption_scope();
    interruption_scope(const interruption_scope&) = delete;
    interruption_scope& operator=(const interruption_scope&) = delete;

private:
    static constexpr int COUNT = 4;
    struct sigaction previous_[COUNT] {};
    bool installed_[COUNT] = {};
    bool outermost_;
};

// The signal noted in the current scope, or 0.
int interruption_signal();
