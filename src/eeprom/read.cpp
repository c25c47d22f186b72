#include <cstring>

#include "bus/bus.h"
#include "eeprom/eeprom.h"
#include "eeprom/interruption.h"
#include "image/image.h"

bool begin_read_at_zero() {
    // Polling first: a chip still busy with a write cycle is waited for, and
    // a silent one is found before anything is read from nothing.
    if (!poll_ack()) return false;
    send_fixed_byte(0x00);
    ack_clock();
    bus_restart();
    send_fixed_byte(DEVICE_READ);
    ack_clock();
    return true;
}

device_outcome read_whole_device(std::uint8_t* buffer) {
    device_outcome outcome;
    if (!begin_read_at_zero()) {
        bus_stop();
        outcome.result = device_result::no_acknowledge;
        return outcome;
    }
    std::uint8_t incoming[IMAGE_SIZE];
    int count = 0;
    for (bool last = false; !last;) {
        incoming[count++] = receive_byte();
        // No acknowledge after the last byte: an acknowledged chip would go
        // on driving the next byte and could swallow the stop. A signal makes
        // the byte just read the last.
        last = count == IMAGE_SIZE || interruption_signal() != 0;
        if (last) master_nack();
        else master_ack();
    }
    bus_stop();
    outcome.bytes = count;
    if (count == IMAGE_SIZE) std::memcpy(buffer, incoming, IMAGE_SIZE);
    else outcome.result = device_result::interrupted;
    return outcome;
}
