// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel port through the Linux ppdev driver (/dev/parportN): each
// register access is one ioctl. The device is opened at the first device
// action and stays open; the port is claimed for each action and released
// after it, so that a printer driver on the same port can work in between.
// A claim that does not succeed closes the device again: the kernel keeps an
// interrupted claimant queued for the port for as long as its file is open.
#pragma once

#include <string>
#include <vector>

#include "transport/real_port.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

// How long a claim waits for another user of the port, such as a print job.
inline constexpr unsigned PPDEV_CLAIM_WAIT_SECONDS = 3;

// The parallel ports named parportN in folder (/dev, or the kernel's list
// /proc/sys/dev/parport), in port order; none if it cannot be read.
std::vector<std::string> parallel_ports_in(const std::string& folder);

class ppdev_port : public real_port {
public:
    explicit ppdev_port(std::string device, std::string kernel_ports = "/proc/sys/dev/parport")
        : device_(std::move(device)), kernel_ports_(std::move(kernel_ports)) {}
    ~ppdev_port() override;

    std::string claim() override;
    void action_end() override;
    void abandon() override;
    std::string name() const override { return device_; }
    void write(std::uint16_t reg, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t reg) override;

private:
    std::string refusal(int failure) const;
    std::string other_ports() const;
    void close_device();
    [[noreturn]] void lost(int failure);

    std::string device_;
    std::string kernel_ports_;
    unique_fd fd_;
    bool claimed_ = false;
};

}  // namespace eeprom24c01
