// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <vector>

#include "eeprom/eeprom.h"
#include "util/interruption.h"

namespace eeprom24c01 {

device_outcome read_image(eeprom_device& device, std::span<std::uint8_t> buffer, const byte_watch& watch) {
    std::vector<std::uint8_t> incoming(buffer.size());
    device_outcome outcome = device.read(0, incoming, [&](std::size_t done) {
        if (watch) watch(done, buffer.size());
        // A signal makes the byte just read the last.
        return interruption_signal() == 0;
    });
    if (outcome.result != device_result::done) return outcome;
    if (static_cast<std::size_t>(outcome.bytes) == buffer.size()) std::ranges::copy(incoming, buffer.begin());
    else outcome.result = device_result::interrupted;
    return outcome;
}

device_outcome read_image_then_idle(eeprom_device& device, std::span<std::uint8_t> buffer, const byte_watch& watch) {
    device_outcome read = read_image(device, buffer, watch);
    device_outcome idle = device.idle();
    if (read.result != device_result::done) return read;
    idle.bytes = read.bytes;
    return idle;
}

bool read_complete(const device_outcome& outcome, std::size_t size) {
    return outcome.result == device_result::done ||
           (outcome.result == device_result::interrupted && static_cast<std::size_t>(outcome.bytes) == size &&
            outcome.port_message.empty());
}

}  // namespace eeprom24c01
