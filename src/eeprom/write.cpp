#include <cstdio>

#include "bus/bus.h"
#include "bus/timing.h"
#include "eeprom/device_action.h"
#include "eeprom/eeprom.h"
#include "image/image.h"

std::int32_t bus_address = 0;

// The chip never acknowledged: end the transaction, rest the lines, say so.
static void give_up_on_silent_chip() {
    bus_stop();
    bus_idle();
    device_action_end();
    std::printf("No acknowledge from the EEPROM at address %d: check the board, its power and the cable.\n",
                bus_address < IMAGE_SIZE ? bus_address : IMAGE_SIZE - 1);
}

void write_eeprom() {
    if (!device_action_begin()) return;
    bus_address = 0;
    while (bus_address < IMAGE_SIZE) {
        // Polling also waits out the internal write of the byte before.
        if (!poll_ack()) return give_up_on_silent_chip();
        send_byte(static_cast<std::uint8_t>(bus_address & 0xFF));
        ack_clock();
        send_byte(image_buffer[bus_address]);
        ack_clock();
        bus_stop();
        write_cycle_wait();
        ++bus_address;
    }
    // The last byte is still being written inside the chip: wait for it as
    // for every other, so a read straight after finds it done.
    if (!poll_ack()) return give_up_on_silent_chip();
    bus_stop();
    bus_idle();
    device_action_end();
}
