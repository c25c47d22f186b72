// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/ch341_usb.h"

#include <libusb.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <vector>

#include "transport/ch341_usb_texts.h"

namespace eeprom24c01 {

namespace {

// The longest transfer, a 1 KiB read at 20 kHz, takes about half a second.
constexpr unsigned TRANSFER_TIMEOUT_MS = 2000;
constexpr int INTERFACE = 0;

int errno_of(int libusb_error) {
    if (libusb_error == LIBUSB_ERROR_NO_DEVICE) return ENODEV;
    if (libusb_error == LIBUSB_ERROR_TIMEOUT) return ETIMEDOUT;
    return EIO;
}

bool parse_decimal(std::string_view text, unsigned& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

std::string location_text(usb_location at) { return std::to_string(at.bus) + ":" + std::to_string(at.device); }

struct found_programmer {
    usb_location at;
    libusb_device* device;
};

// The programmers among the devices listed, in libusb's order.
std::vector<found_programmer> programmers_in(libusb_device* const* list) {
    std::vector<found_programmer> found;
    for (; *list; ++list) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(*list, &descriptor) != 0) continue;
        if (descriptor.idVendor == CH341_VENDOR_ID && descriptor.idProduct == CH341_PRODUCT_ID)
            found.push_back({{libusb_get_bus_number(*list), libusb_get_device_address(*list)}, *list});
    }
    return found;
}

// The first bulk IN and bulk OUT endpoints of interface 0.
bool bulk_endpoints(libusb_device* device, std::uint8_t& in, std::uint8_t& out) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return false;
    in = out = 0;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1 || interface.altsetting[0].bInterfaceNumber != INTERFACE) continue;
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
            std::uint8_t& slot = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? in : out;
            if (slot == 0) slot = endpoint.bEndpointAddress;
        }
    }
    libusb_free_config_descriptor(config);
    return in != 0 && out != 0;
}

}  // namespace

bool parse_usb_location(std::string_view text, usb_location& at) {
    const std::size_t colon = text.find(':');
    usb_location parsed;
    if (colon == std::string_view::npos || !parse_decimal(text.substr(0, colon), parsed.bus) ||
        !parse_decimal(text.substr(colon + 1), parsed.device))
        return false;
    if (parsed.bus < 1 || parsed.bus > 255 || parsed.device < 1 || parsed.device > 127) return false;
    at = parsed;
    return true;
}

ch341_usb::ch341_usb(std::string selector) : selector_(std::move(selector)) {}

ch341_usb::~ch341_usb() { close(); }

std::string ch341_usb::open() {
    if (handle_) return {};
    if (int error = libusb_init(&context_); error != 0) {
        context_ = nullptr;
        return ch341_refused("the CH341A", ch341_refusal::other, std::string("libusb: ") + libusb_strerror(error));
    }
    std::string problem = open_device();
    if (problem.empty()) problem = claim();
    if (!problem.empty()) close();
    return problem;
}

std::string ch341_usb::open_device() {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0)
        return ch341_refused("the CH341A", ch341_refusal::other,
                             std::string("libusb: ") + libusb_strerror(static_cast<int>(count)));
    const std::vector<found_programmer> found = programmers_in(list);
    std::string all;
    for (const found_programmer& one : found) all += (all.empty() ? "" : ", ") + location_text(one.at);
    const found_programmer* chosen = found.size() == 1 ? &found.front() : nullptr;
    usb_location asked;
    if (!selector_.empty()) {
        chosen = nullptr;
        if (parse_usb_location(selector_, asked))
            for (const found_programmer& one : found)
                if (one.at == asked) chosen = &one;
    }
    std::string problem;
    if (found.empty()) problem = ch341_none_plugged();
    else if (!chosen && selector_.empty()) problem = ch341_several(all);
    else if (!chosen) problem = ch341_not_at(selector_, all);
    if (chosen) {
        at_ = chosen->at;
        libusb_device_descriptor descriptor{};
        libusb_get_device_descriptor(chosen->device, &descriptor);
        version_ = descriptor.bcdDevice;
        if (!bulk_endpoints(chosen->device, in_endpoint_, out_endpoint_))
            problem = ch341_refused(name(), ch341_refusal::no_endpoints);
        else if (int error = libusb_open(chosen->device, &handle_); error != 0) {
            handle_ = nullptr;
            problem = ch341_refused(name(),
                                    error == LIBUSB_ERROR_ACCESS      ? ch341_refusal::permission
                                    : error == LIBUSB_ERROR_NO_DEVICE ? ch341_refusal::gone
                                                                      : ch341_refusal::other,
                                    libusb_strerror(error));
        }
    }
    libusb_free_device_list(list, 1);
    return problem;
}

std::string ch341_usb::claim() {
    // A driver that binds it (usb-serial's ch341 on some kernels) lets go
    // for the action, and gets it back at close.
    if (libusb_kernel_driver_active(handle_, INTERFACE) == 1) {
        if (int error = libusb_detach_kernel_driver(handle_, INTERFACE); error != 0)
            return ch341_refused(name(), error == LIBUSB_ERROR_ACCESS ? ch341_refusal::permission : ch341_refusal::driver,
                                 libusb_strerror(error));
        driver_detached_ = true;
    }
    const int error = libusb_claim_interface(handle_, INTERFACE);
    if (error == 0) return {};
    return ch341_refused(name(),
                         error == LIBUSB_ERROR_BUSY        ? ch341_refusal::busy
                         : error == LIBUSB_ERROR_ACCESS    ? ch341_refusal::permission
                         : error == LIBUSB_ERROR_NO_DEVICE ? ch341_refusal::gone
                                                           : ch341_refusal::other,
                         libusb_strerror(error));
}

void ch341_usb::close() {
    if (handle_) {
        libusb_release_interface(handle_, INTERFACE);
        if (driver_detached_) libusb_attach_kernel_driver(handle_, INTERFACE);
        libusb_close(handle_);
        handle_ = nullptr;
    }
    driver_detached_ = false;
    if (context_) libusb_exit(context_);
    context_ = nullptr;
}

int ch341_usb::send(std::span<const std::uint8_t> data) {
    if (!handle_) return EIO;
    int sent = 0;
    // libusb takes a non-const buffer for both directions; an OUT transfer
    // only reads it.
    const int error = libusb_bulk_transfer(handle_, out_endpoint_, const_cast<std::uint8_t*>(data.data()),
                                           static_cast<int>(data.size()), &sent, TRANSFER_TIMEOUT_MS);
    if (error != 0) return errno_of(error);
    return static_cast<std::size_t>(sent) == data.size() ? 0 : EIO;
}

// The programmer sends what it owes in packets of up to 32 bytes; a short
// one ends a transfer early, so the rest is asked for again, all within
// one bound.
int ch341_usb::receive(std::span<std::uint8_t> in) {
    if (!handle_) return EIO;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(TRANSFER_TIMEOUT_MS);
    for (std::size_t got = 0; got < in.size();) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) return ETIMEDOUT;
        int received = 0;
        const int error = libusb_bulk_transfer(handle_, in_endpoint_, in.data() + got, static_cast<int>(in.size() - got),
                                               &received, static_cast<unsigned>(left));
        if (error != 0) return errno_of(error);
        got += static_cast<std::size_t>(received);
    }
    return 0;
}

std::string ch341_usb::name() const {
    return at_.bus ? "the CH341A (USB " + location_text(at_) + ")" : std::string("the CH341A");
}

std::string ch341_usb::description() const {
    char version[16];
    std::snprintf(version, sizeof version, "%x.%02x", version_ >> 8, version_ & 0xFF);
    return "CH341A on USB bus " + std::to_string(at_.bus) + ", device " + std::to_string(at_.device) + ", version " +
           version;
}

}  // namespace eeprom24c01
