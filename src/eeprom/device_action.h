// One device action from claim to release, and what came of it. The
// operations print nothing: the front ends turn outcomes into their texts.
#pragma once

#include <functional>
#include <string>

enum class device_result {
    done,
    no_acknowledge,  // the chip did not answer its control byte
    sda_not_driven,  // SDA stays high when driven low: no board on the cable
    sda_held_low,    // SDA stays low when released: no power, or a short
    port_refused,    // the port could not be had; nothing was sent
    port_lost,       // the port failed part way, or the board could not keep what it got
    interrupted      // SIGINT, SIGTERM, SIGHUP or SIGQUIT; the transaction in progress was finished
};

struct device_outcome {
    device_result result = device_result::done;
    int bytes = 0;             // bytes written or read before the action ended
    int address = 0;           // no_acknowledge: the word address unanswered
    int signal = 0;            // interrupted: which signal
    std::string port_message;  // port_refused, port_lost: one line with its newline
};

// Claims the port, runs body with the interrupting signals noted rather than fatal,
// turns a port lost mid-action into an outcome, and gives the port back. A
// signal noted during the action makes the outcome interrupted.
device_outcome run_device_action(const std::function<device_outcome()>& body);
