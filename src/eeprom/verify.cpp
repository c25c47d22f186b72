#include <cstdio>

#include "bus/bus.h"
#include "eeprom/device_action.h"
#include "eeprom/eeprom.h"
#include "image/image.h"

// Reports every equal byte up to the first difference, and that difference.
static void report_comparison() {
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        if (image_buffer[i] == readback_buffer[i]) {
            std::fputs("Verify O.K.\n", stdout);
            continue;
        }
        std::fputs(" ERROR: ADDRESS   WRITE DATA   READ DATA\n", stdout);
        std::printf("          %d         %x            %x   \n", i, image_buffer[i], readback_buffer[i]);
        return;
    }
}

void verify_eeprom() {
    if (!device_action_begin()) return;
    read_whole_device(readback_buffer);
    report_comparison();
    bus_idle();
    device_action_end();
}
