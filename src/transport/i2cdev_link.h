// SPDX-License-Identifier: GPL-3.0-or-later
// An open i2c-dev device and the kernel calls made on it. Every call returns
// 0 or the errno the kernel answered with; nothing here retries or prints.
#pragma once

#include <linux/i2c.h>

#include <cstdint>
#include <span>
#include <string>

#include "util/unique_fd.h"

namespace eeprom24c01 {

class i2cdev_link {
public:
    int open(const std::string& path);
    void close();
    int fd() const { return fd_.get(); }

    // I2C_FUNCS: the adapter's I2C_FUNC_* bits.
    int functions(unsigned long& bits) const;
    // The address SMBus transfers go to. Without force the kernel refuses
    // (EBUSY) an address a driver has bound; with force it is taken anyway.
    int select(std::uint8_t address, bool force);
    // I2C_RDWR: the messages with repeated starts between them and one stop.
    int transfer(std::span<i2c_msg> messages) const;
    // I2C_SMBUS: one SMBus transfer to the selected address.
    int smbus(std::uint8_t read_write, std::uint8_t command, std::uint32_t size, i2c_smbus_data* data) const;

private:
    unique_fd fd_;
    int selected_ = -1;
};

}  // namespace eeprom24c01
