// SPDX-License-Identifier: GPL-3.0-or-later
// The master's side of the two-wire protocol on the simulated chip's pins:
// start, stop, a bit clocked, a byte sent and its acknowledge read, a byte
// received and answered. The fakes of adapters whose hardware runs the bus
// (i2c-dev, the CH341A) drive the chip through it. Each start, stop and
// clocked bit is one bit period, which the owner's bit hook may count.
#pragma once

#include <cstdint>
#include <functional>

#include "sim/chip24cxx.h"

namespace eeprom24c01 {

class line_master {
public:
    // chip nullptr: an empty socket, where the pull-up alone holds SDA.
    // now_us: the bus time the chip's write cycle runs on.
    line_master(sim_chip* chip, std::function<std::uint64_t()> now_us, std::function<void()> bit = {})
        : chip_(chip), now_us_(std::move(now_us)), bit_(std::move(bit)) {}

    void lines(bool scl, bool sda) {
        master_sda_ = sda;
        if (chip_) chip_lines(*chip_, scl, sda, now_us_());
    }
    bool sda() const { return chip_ ? chip_bus_sda(*chip_) : master_sda_; }

    void start() {
        lines(false, true);
        lines(true, true);
        lines(true, false);
        lines(false, false);
        tick();
    }
    void stop() {
        lines(false, false);
        lines(true, false);
        lines(true, true);
        tick();
    }
    // One bit clocked out; the level on the wire while SCL is high.
    bool clock(bool bit) {
        lines(false, bit);
        lines(true, bit);
        bool level = sda();
        lines(false, bit);
        tick();
        return level;
    }
    // True when the chip acknowledged the byte.
    bool send(std::uint8_t byte) {
        for (int i = 7; i >= 0; --i) clock((byte >> i) & 1);
        return !clock(true);
    }
    std::uint8_t receive(bool acknowledge) {
        std::uint8_t byte = 0;
        for (int i = 0; i < 8; ++i) byte = static_cast<std::uint8_t>(byte << 1 | clock(true));
        clock(!acknowledge);
        return byte;
    }

private:
    void tick() {
        if (bit_) bit_();
    }

    sim_chip* chip_;
    std::function<std::uint64_t()> now_us_;
    std::function<void()> bit_;
    bool master_sda_ = true;
};

}  // namespace eeprom24c01
