#include "eeprom/device_action.h"

#include "bus/port.h"
#include "eeprom/interruption.h"

device_outcome run_device_action(const std::function<device_outcome()>& body) {
    device_outcome outcome;
    interruption_scope noting;
    std::string refusal = port_begin_action();
    if (!refusal.empty()) {
        outcome.result = device_result::port_refused;
        outcome.port_message = refusal;
    } else {
        try {
            outcome = body();
            // A chip whose new contents were not kept: the action failed.
            if (std::string unsaved = port_end_action(); !unsaved.empty()) {
                outcome.result = device_result::port_lost;
                outcome.port_message = unsaved;
            }
        } catch (const port_lost& lost) {
            outcome = {};
            outcome.result = device_result::port_lost;
            outcome.port_message = std::string(lost.what()) + "\n";
            port_abandon();
        }
    }
    if (int signal = interruption_signal()) {
        outcome.result = device_result::interrupted;
        outcome.signal = signal;
    }
    return outcome;
}
