// The parallel port through the Linux ppdev driver (/dev/parportN): each
// register access is one ioctl. The device is opened at the first device
// action and stays open; the port is claimed for each action and released
// after it, so that a printer driver on the same port can work in between.
#pragma once

#include <string>

#include "transport/real_port.h"

// How long a claim waits for another user of the port, such as a print job.
inline constexpr unsigned PPDEV_CLAIM_WAIT_SECONDS = 3;

class ppdev_port : public real_port {
public:
    explicit ppdev_port(std::string device) : device_(std::move(device)) {}
    ~ppdev_port() override;

    std::string claim() override;
    void action_end() override;
    void abandon() override;
    std::string name() const override { return device_; }
    void write(std::uint16_t reg, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t reg) override;

private:
    std::string refusal(int failure) const;
    void close_device();
    [[noreturn]] void lost(int failure);

    std::string device_;
    int fd_ = -1;
    bool claimed_ = false;
};
