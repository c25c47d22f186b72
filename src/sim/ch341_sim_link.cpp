// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ch341_sim_link.h"

#include <cerrno>

namespace eeprom24c01 {

std::string ch341_sim_link::open() {
    if (!refusal.empty()) return refusal;
    if (stream_.unplugged()) return "No CH341A programmer is plugged in.\n";
    open_ = true;
    return {};
}

int ch341_sim_link::send(std::span<const std::uint8_t> data) {
    if (!open_) return EIO;
    return stream_.out_transfer(data);
}

int ch341_sim_link::receive(std::span<std::uint8_t> in) {
    if (!open_) return EIO;
    return stream_.in_transfer(in);
}

}  // namespace eeprom24c01
