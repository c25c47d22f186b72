// SPDX-License-Identifier: GPL-3.0-or-later
// The one-line refusals of the i2c-dev transport, each with its newline, in
// the form the front ends print as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace eeprom24c01 {

// open or I2C_FUNCS failed with error.
std::string i2cdev_open_refusal(const std::string& device, int error);
// A kernel driver owns the address (driver "" when sysfs does not name it).
std::string i2cdev_owned_refusal(const std::string& device, int adapter, std::uint8_t address,
                                 const std::string& driver);
// A write or erase at address on a PC's memory bus, without --force.
std::string i2cdev_memory_bus_refusal(const std::string& device, const std::string& adapter_name,
                                      std::uint8_t address);
// A read of a part with two address bytes there, without --force, on an
// adapter that must set the word address with a write of its own.
std::string i2cdev_memory_bus_read_refusal(const std::string& device, const std::string& adapter_name,
                                           std::uint8_t address, const std::string& part);
// The adapter refused a read of the smallest piece (bytes) the tool reads in.
std::string i2cdev_short_reads_refusal(const std::string& device, std::size_t bytes);
// The adapter has no transfer that can read (or write) the part.
std::string i2cdev_unable_refusal(const std::string& device, const std::string& part, bool writing);
// A part that answers at every bus address cannot share an adapter.
std::string i2cdev_no_device_code_refusal(const std::string& part);
// A transfer failed in a way that is not a missing acknowledge.
std::string i2cdev_lost(const std::string& device, int error);

}  // namespace eeprom24c01
