#include <cstdio>

#include "bus/bus.h"
#include "eeprom/device_action.h"
#include "eeprom/eeprom.h"
#include "image/image.h"

void begin_read_at_zero() {
    bus_start();
    send_fixed_byte(DEVICE_WRITE);
    ack_clock();
    send_fixed_byte(0x00);
    ack_clock();
    bus_restart();
    send_fixed_byte(DEVICE_READ);
    ack_clock();
}

void read_whole_device(std::uint8_t* buffer) {
    begin_read_at_zero();
    for (int count = 0; count < IMAGE_SIZE; ++count) {
        std::uint8_t byte = receive_byte();
        // No acknowledge after the last byte: an acknowledged chip would go
        // on driving the next byte and could swallow the stop.
        if (count == IMAGE_SIZE - 1) master_nack();
        else master_ack();
        buffer[count] = byte;
    }
    bus_stop();
}

void read_eeprom_to_buffer() {
    if (!device_action_begin()) return;
    read_whole_device(image_buffer);
    print_dump(image_buffer, dump_index::decimal);
    bus_idle();
    device_action_end();
}
