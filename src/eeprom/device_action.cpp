#include "eeprom/device_action.h"

#include "eeprom/interruption.h"

device_outcome run_device_action(eeprom_device& device, const std::function<device_outcome()>& body) {
    interruption_arm();
    device_outcome outcome = device.begin_action();
    if (outcome.result == device_result::done) {
        outcome = body();
        device.end_action();
    }
    interruption_disarm();
    if (int signal = interruption_signal()) {
        outcome.result = device_result::interrupted;
        outcome.signal = signal;
    }
    return outcome;
}
