// The parallel port through the Linux ppdev driver (/dev/parportN): each
// register access is one ioctl. The device is opened and claimed at the first
// device action, since claiming may write the control register.
#pragma once

#include <string>

#include "bus/real_port.h"

class ppdev_port : public real_port {
public:
    explicit ppdev_port(std::string device) : device_(std::move(device)) {}
    ~ppdev_port() override;

    std::string claim() override;
    void write(std::uint16_t reg, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t reg) override;

private:
    std::string device_;
    int fd_ = -1;
};
