// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A's bulk endpoints in process, on the emulated stream: for the
// unit tests and the benchmark.
#pragma once

#include <cerrno>

#include "sim/ch341_stream.h"
#include "transport/ch341_link.h"

namespace eeprom24c01 {

class ch341_sim_link : public ch341_link {
public:
    explicit ch341_sim_link(ch341_stream& stream) : stream_(stream) {}

    std::string open() override {
        open_ = true;
        return {};
    }
    void close() override { open_ = false; }
    int send(std::span<const std::uint8_t> data) override { return open_ ? stream_.out_transfer(data) : EIO; }
    int receive(std::span<std::uint8_t> in) override { return open_ ? stream_.in_transfer(in) : EIO; }
    std::string name() const override { return "the CH341A (USB 1:2)"; }
    std::string description() const override { return "CH341A on USB bus 1, device 2, version 3.04 (emulated)"; }
    bool is_open() const { return open_; }

private:
    ch341_stream& stream_;
    bool open_ = false;
};

}  // namespace eeprom24c01
