// SIGINT and SIGTERM during a device action. The handler only notes the
// signal; the action finishes the byte transaction it is in, rests the lines
// and ends, and the front end then ends the program. Outside device actions
// both signals keep their default behaviour.
#pragma once

void interruption_arm();
void interruption_disarm();
// The signal received while armed, or 0.
int interruption_signal();
