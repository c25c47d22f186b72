// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ch341_texts.h"

#include <cerrno>
#include <cstring>

#include "text/address_text.h"

namespace eeprom24c01 {

namespace {

std::string cause(int error) {
    if (error == ENODEV) return "it is no longer on the USB bus";
    if (error == ETIMEDOUT) return "a transfer did not end in time";
    return std::strerror(error);
}

}  // namespace

std::string ch341_lost(const std::string& programmer, int error, long last_written, std::uint32_t part_size) {
    std::string written;
    if (last_written >= 0)
        written = "; the last byte known written is at " +
                  address_text(static_cast<std::uint32_t>(last_written), part_size) + ", and nothing was verified";
    return "Lost " + programmer + ": " + cause(error) + written + "; check its cable and plug it in again.\n";
}

std::string ch341_summary(const std::string& description, std::uint32_t clock_hz) {
    return description + ", I2C at " + std::to_string(clock_hz / 1000) + " kHz";
}

}  // namespace eeprom24c01
