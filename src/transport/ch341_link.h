// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A USB programmer's bulk endpoints as its I2C stream uses them:
// OUT packets of at most 32 bytes, each read by the programmer on its own,
// and the bytes the stream owes back on IN. The real one goes through
// libusb; the tests put an emulation of the stream here. Every call returns
// 0 or an errno: ENODEV when the programmer went away, ETIMEDOUT when a
// transfer did not end within its bound, EIO for anything else. Nothing here
// retries or prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace eeprom24c01 {

inline constexpr std::size_t CH341_PACKET_SIZE = 32;

class ch341_link {
public:
    ch341_link() = default;
    // A link owns its claim on the programmer: a copy would give it back twice.
    ch341_link(const ch341_link&) = delete;
    ch341_link& operator=(const ch341_link&) = delete;
    virtual ~ch341_link() = default;

    // Finds and claims the programmer at the start of a device action: ""
    // or the one line, with its newline, saying why not and what to do.
    virtual std::string open() = 0;
    // Gives the interface back, and a kernel driver detached at open.
    virtual void close() = 0;
    // One bulk OUT transfer of data.size() bytes: whole 32-byte packets and
    // a last shorter one, each read by the programmer on its own.
    virtual int send(std::span<const std::uint8_t> data) = 0;
    // Exactly in.size() bytes from the bulk IN endpoint, in order.
    virtual int receive(std::span<std::uint8_t> in) = 0;

    // For messages: "the CH341A (USB 3:7)".
    virtual std::string name() const = 0;
    // For --check, once open: "CH341A on USB bus 3, device 7, version 3.04".
    virtual std::string description() const = 0;
};

}  // namespace eeprom24c01
