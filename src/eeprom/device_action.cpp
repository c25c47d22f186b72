#include "eeprom/device_action.h"

#include <cstdio>

#include "bus/port.h"

bool device_action_begin() {
    std::string refusal = port_begin_action();
    if (refusal.empty()) return true;
    std::fputs(refusal.c_str(), stdout);
    return false;
}

void device_action_end() { port_end_action(); }
