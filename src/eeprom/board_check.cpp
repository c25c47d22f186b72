#include "bus/bus.h"
#include "eeprom/eeprom.h"
#include "eeprom/interruption.h"

namespace {

// Driven low it must read low, released it must read high.
device_result sda_follows() {
    if (sense_sda(SDA_LOW)) return device_result::sda_not_driven;
    if (!sense_sda(SDA_HIGH)) return device_result::sda_held_low;
    return device_result::done;
}

}  // namespace

line_check check_lines() {
    line_check check;
    check.result = sda_follows();
    if (check.result != device_result::sda_held_low) return check;
    // A chip left in the middle of sending a byte holds SDA until clocked on.
    check.clearing_clocks = bus_clear();
    if (check.clearing_clocks < 0) return check;
    bus_stop();
    check.result = sda_follows();
    return check;
}

device_outcome lines_ready() {
    device_outcome outcome;
    outcome.result = check_lines().result;
    if (outcome.result != device_result::done) bus_idle();
    else if (interruption_signal() != 0) outcome.result = device_result::interrupted;
    return outcome;
}

bool chip_answers() {
    bool answered = poll_ack();
    bus_stop();
    bus_idle();
    return answered;
}
