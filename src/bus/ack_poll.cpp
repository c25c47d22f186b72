// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/ack_poll.h"

bool poll_ack(two_wire_bus& bus, std::uint8_t first_byte) {
    for (unsigned attempt = 0; attempt < bus.timing().ack_poll_attempts; ++attempt) {
        bus.start();
        bus.send_fixed_byte(first_byte);
        bus.set_sda(SDA_HIGH);
        bus.set_scl(SCL_HIGH);
        if (!bus.sample_sda()) {
            bus.set_scl(SCL_LOW);
            return true;
        }
    }
    bus.set_scl(SCL_LOW);
    return false;
}
