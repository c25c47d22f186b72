// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel port by direct x86 port I/O at a base address (data at base,
// status at base + 1, control at base + 2). The privilege is asked for at
// the first device action; without it no in or out instruction is reached.
#pragma once

#include <string>

#include "transport/real_port.h"

namespace eeprom24c01 {

class io_port : public real_port {
public:
    explicit io_port(unsigned base) : base_(base) {}

    std::string claim() override;
    std::string name() const override;
    void write(std::uint16_t reg, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t reg) override;

private:
    unsigned address_of(std::uint16_t reg) const { return base_ + (reg - LPT_DATA); }

    unsigned base_;
    bool granted_ = false;
};

}  // namespace eeprom24c01
