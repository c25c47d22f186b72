// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/ch341_usb_texts.h"

namespace eeprom24c01 {

namespace {

constexpr const char* PICK = "name one with --ch341=BUS:DEVICE (lsusb lists them).";

}  // namespace

std::string ch341_none_plugged() {
    return "No CH341A programmer (USB 1a86:5512) is plugged in: plug it in (lsusb lists it), "
           "or try the tool on the simulated board with --sim FILE.\n";
}

std::string ch341_several(const std::string& found) {
    return "Several CH341A programmers are plugged in, at USB " + found + ": " + PICK + "\n";
}

std::string ch341_not_at(const std::string& asked, const std::string& found) {
    return "No CH341A programmer is at USB " + asked + " (plugged in: " + found + "): " + PICK + "\n";
}

std::string ch341_refused(const std::string& programmer, ch341_refusal why, const std::string& detail) {
    switch (why) {
        case ch341_refusal::permission:
            return "No permission to use " + programmer + ": install the udev rule " + CH341_UDEV_RULE +
                   " (the package does), run sudo udevadm control --reload-rules, then plug it in again.\n";
        case ch341_refusal::busy:
            return "Another program is using " + programmer + ": end it, then try again.\n";
        case ch341_refusal::gone:
            return "Lost " + programmer + " while opening it: plug it in again, then try again.\n";
        case ch341_refusal::driver:
            return "Cannot take " + programmer + " from its kernel driver (" + detail +
                   "): unbind the driver or unload its module (sudo modprobe -r ch341), then try again.\n";
        case ch341_refusal::no_endpoints:
            return "Cannot use " + programmer + ": its interface 0 has no bulk IN and OUT endpoints, "
                   "as a CH341A in I2C mode has; check that it is a CH341A programmer.\n";
        case ch341_refusal::other:
            break;
    }
    return "Cannot use " + programmer + ": " + detail + ". Plug it in again, then try again.\n";
}

}  // namespace eeprom24c01
