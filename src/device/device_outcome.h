// SPDX-License-Identifier: GPL-3.0-or-later
// What a device action or one device operation came to: the one result type
// every layer from the transports up returns. Nothing below the front ends
// prints; the front ends turn outcomes into their texts.
#pragma once

#include <string>

namespace eeprom24c01 {

enum class device_result {
    done,
    no_acknowledge,  // the chip did not answer its address
    byte_refused,    // the chip answered its address but not a word-address or data byte after it
    sda_not_driven,  // SDA stays high when driven low: no board on the cable
    sda_held_low,    // SDA stays low when released: no power, or a short
    port_refused,    // the port could not be had; nothing was sent
    port_lost,       // the port failed part way, or the board could not keep what it got
    interrupted      // SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGPIPE; the transaction in progress was finished
};

struct device_outcome {
    device_result result = device_result::done;
    int bytes = 0;             // bytes written or read before the action ended
    int address = 0;           // no_acknowledge, byte_refused: the byte offset unanswered
    bool word_address = false; // byte_refused: the word address was refused, not a data byte
    bool in_read = false;      // byte_refused: in a read's setting of its address, not in a write
    int signal = 0;            // interrupted: which signal
    std::string port_message;  // port_refused, port_lost: one line with its newline
};

}  // namespace eeprom24c01
