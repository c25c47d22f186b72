// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A USB programmer (1a86:5512) through libusb: found among the
// USB devices, or picked by its bus and device number as lsusb prints them;
// interface 0 claimed (a kernel driver that holds it detached, and given
// back at close); its bulk endpoints taken from the interface descriptor.
// Every transfer is bounded by a timeout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "transport/ch341_link.h"

struct libusb_context;
struct libusb_device_handle;

namespace eeprom24c01 {

inline constexpr std::uint16_t CH341_VENDOR_ID = 0x1a86;
inline constexpr std::uint16_t CH341_PRODUCT_ID = 0x5512;

// Where a USB device sits: its bus and device number.
struct usb_location {
    unsigned bus = 0;
    unsigned device = 0;
    bool operator==(const usb_location&) const = default;
};

// "BUS:DEVICE" in decimal, leading zeros allowed ("003:007"): sets at only
// for a bus of 1 to 255 and a device of 1 to 127.
bool parse_usb_location(std::string_view text, usb_location& at);

class ch341_usb : public ch341_link {
public:
    // selector: "" for the only programmer plugged in, or "BUS:DEVICE".
    explicit ch341_usb(std::string selector);
    ~ch341_usb() override;

    std::string open() override;
    void close() override;
    int send(std::span<const std::uint8_t> data) override;
    int receive(std::span<std::uint8_t> in) override;
    std::string name() const override;
    std::string description() const override;

private:
    // The device found, opened and its endpoints read: "" or the refusal.
    std::string open_device();
    // The interface claimed, from a kernel driver if one holds it.
    std::string claim();

    std::string selector_;
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    bool driver_detached_ = false;
    usb_location at_;
    std::uint16_t version_ = 0;  // bcdDevice
    std::uint8_t in_endpoint_ = 0, out_endpoint_ = 0;
};

}  // namespace eeprom24c01
