// SPDX-License-Identifier: GPL-3.0-or-later
// A 24Cxx part on a Linux I2C adapter through i2c-dev: the kernel runs the
// bus and the device sends whole messages (I2C_RDWR), or SMBus transfers on
// adapters that have nothing more. A chip busy with its write cycle does not
// acknowledge; every transfer is retried until it does, within the part's
// write-cycle time and a margin (bus/timing.h). A length the adapter refuses is tried
// again in smaller pieces, and the size that worked is kept for the action.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "bus/timing.h"
#include "device/eeprom_device.h"
#include "device/write_cycles.h"
#include "transport/i2c_functions.h"
#include "transport/i2cdev_link.h"

namespace eeprom24c01 {

struct i2cdev_settings {
    std::string device;               // "/dev/i2c-1"
    std::string sysfs_root = "/sys";  // where the adapter's name and its clients' drivers are read
    bool force = false;               // use an address a driver owns; write on a PC's memory bus
    bus_timing timing{};              // how long a chip busy with its write cycle is tried again
};
// The smallest pieces a refused length is cut down to.
inline constexpr std::size_t I2C_MIN_READ_PIECE = 32;
inline constexpr std::size_t I2C_MIN_WRITE_PIECE = 1;

class i2cdev_device : public eeprom_device {
public:
    i2cdev_device(i2cdev_settings settings, const chip_target& target);

    std::string name() const override { return settings_.device; }
    const chip_target& target() const override { return target_; }

    // Opens the device, asks its functions and refuses an address a kernel
    // driver owns (unless forced). The device is closed at the action's end.
    device_outcome begin_action() override;
    device_outcome end_action() override;

    device_outcome probe() override;
    device_outcome read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) override;
    device_outcome write(std::uint32_t offset, std::span<const std::uint8_t> data) override;
    device_outcome finish_writes() override;
    device_outcome scan(std::vector<std::uint8_t>& answering) override;
    bool writes_took_no_cycle() const override { return cycles_.none_taken(); }

    // The adapter's name (when sysfs gives it) and its kind of transfers.
    std::string bus_summary() const override;
    // No write without a way to write the part, nor on a PC's memory bus
    // unless forced.
    std::string write_refusal() const override;
    // "" when the part may be read here: not where setting its word address
    // would write to the memory modules' SPD EEPROMs, unless forced.
    std::string read_refusal() const;

private:
    int read_once(std::uint32_t offset, std::span<std::uint8_t> out);
    int write_once(std::uint32_t offset, std::span<const std::uint8_t> data);
    int probe_once();
    int smbus_write(std::span<const std::uint8_t> payload);
    int select(std::uint8_t address) { return link_.select(address, settings_.force); }
    template <typename Attempt>
    int acknowledged(Attempt attempt);
    std::size_t read_piece(std::uint32_t offset, std::size_t wanted) const;
    device_outcome failed(int error, std::uint32_t offset, std::size_t bytes);
    std::string owner_refusal();
    // At 0x50 to 0x57 on a PC's SMBus, without --force.
    bool among_memory_modules() const;

    i2cdev_settings settings_;
    chip_target target_;
    i2cdev_link link_;
    unsigned long functions_ = 0;
    i2c_ways ways_{i2c_read_way::none, i2c_write_way::none};
    int adapter_ = -1;
    std::string adapter_name_;
    // Per action: the largest pieces the adapter took, the offset the chip's
    // address counter points at after byte-by-byte reads (-1: not known),
    // and the offset of the last write whose cycle may still run (-1: none).
    std::size_t read_limit_ = 0;
    std::size_t write_limit_ = 0;
    long next_read_at_ = -1;
    long pending_write_at_ = -1;
    write_cycles cycles_;  // this action's writes, and whether the next transfer found each done at once
};

}  // namespace eeprom24c01
