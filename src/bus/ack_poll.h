// SPDX-License-Identifier: GPL-3.0-or-later
// Acknowledge polling: a start and the chip's write byte, again and again,
// until the chip answers. A chip in its internal write cycle stays silent,
// so the first answer is also the end of the cycle.
#pragma once

#include <cstdint>

#include "bus/bus.h"

namespace eeprom24c01 {

// Attempts poll_ack makes, by default, before it gives up on a silent chip.
inline constexpr unsigned POLL_ACK_ATTEMPTS = bus_timing{}.ack_poll_attempts;

// Any state -> SDA released, SCL low, the chip ready for the rest of the
// transaction opened by first_byte. A retry starts again with SCL still high,
// so its start condition is a repeated start with no stop before it. False
// when the chip has not answered within attempts (by default the bus timing's,
// or at a chosen clock as many as fit in the part's tWR and a margin); the
// lines are then as after success. Returns the attempts it took, 0 for
// none: a chip that answers the first was not busy with a write cycle.
unsigned poll_ack(two_wire_bus& bus, std::uint8_t first_byte, unsigned attempts = 0);

}  // namespace eeprom24c01
