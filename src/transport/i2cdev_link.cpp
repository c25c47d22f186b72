// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/i2cdev_link.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace eeprom24c01 {

namespace {

int answer(int result) { return result < 0 ? errno : 0; }

}  // namespace

int i2cdev_link::open(const std::string& path) {
    fd_.reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    selected_ = -1;
    return fd_ ? 0 : errno;
}

void i2cdev_link::close() {
    fd_.reset();
    selected_ = -1;
}

int i2cdev_link::functions(unsigned long& bits) const { return answer(ioctl(fd_.get(), I2C_FUNCS, &bits)); }

int i2cdev_link::select(std::uint8_t address, bool force) {
    if (address == selected_) return 0;
    int error = answer(ioctl(fd_.get(), force ? I2C_SLAVE_FORCE : I2C_SLAVE, static_cast<unsigned long>(address)));
    selected_ = error == 0 ? address : -1;
    return error;
}

int i2cdev_link::transfer(std::span<i2c_msg> messages) const {
    i2c_rdwr_ioctl_data request{messages.data(), static_cast<std::uint32_t>(messages.size())};
    return answer(ioctl(fd_.get(), I2C_RDWR, &request));
}

int i2cdev_link::smbus(std::uint8_t read_write, std::uint8_t command, std::uint32_t size, i2c_smbus_data* data) const {
    i2c_smbus_ioctl_data request{read_write, command, size, data};
    return answer(ioctl(fd_.get(), I2C_SMBUS, &request));
}

}  // namespace eeprom24c01
