#include "bus/bus.h"
#include "bus/timing.h"
#include "eeprom/eeprom.h"
#include "eeprom/interruption.h"
#include "image/image.h"

std::int32_t bus_address = 0;

namespace {

// The chip never acknowledged: end the transaction and rest the lines.
device_outcome silent_chip() {
    bus_stop();
    bus_idle();
    device_outcome outcome;
    outcome.result = device_result::no_acknowledge;
    outcome.bytes = bus_address;
    outcome.address = bus_address < IMAGE_SIZE ? bus_address : IMAGE_SIZE - 1;
    return outcome;
}

}  // namespace

device_outcome write_whole_device(const std::uint8_t* image) {
    bus_address = 0;
    while (bus_address < IMAGE_SIZE) {
        // Polling also waits out the internal write of the byte before.
        if (!poll_ack()) return silent_chip();
        send_byte(static_cast<std::uint8_t>(bus_address & 0xFF));
        ack_clock();
        send_byte(image[bus_address]);
        ack_clock();
        bus_stop();
        write_cycle_wait();
        ++bus_address;
        // A signal ends the write between bytes, never inside one.
        if (interruption_signal() != 0) break;
    }
    // The last byte is still being written inside the chip: wait for it as
    // for every other, so a read straight after finds it done.
    if (!poll_ack()) return silent_chip();
    bus_stop();
    bus_idle();
    device_outcome outcome;
    outcome.bytes = bus_address;
    if (bus_address < IMAGE_SIZE) outcome.result = device_result::interrupted;
    return outcome;
}
