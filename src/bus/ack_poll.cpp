// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/ack_poll.h"

namespace eeprom24c01 {

unsigned poll_ack(two_wire_bus& bus, std::uint8_t first_byte, unsigned attempts) {
    if (attempts == 0) attempts = bus.timing().ack_poll_attempts;
    for (unsigned attempt = 1; attempt <= attempts; ++attempt) {
        bus.start();
        bus.send_fixed_byte(first_byte);
        bus.set_sda(SDA_HIGH);
        bus.set_scl(SCL_HIGH);
        if (!bus.sample_sda()) {
            bus.set_scl(SCL_LOW);
            return attempt;
        }
    }
    bus.set_scl(SCL_LOW);
    return 0;
}

}  // namespace eeprom24c01
