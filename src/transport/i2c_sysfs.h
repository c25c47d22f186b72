// SPDX-License-Identifier: GPL-3.0-or-later
// What the kernel says about an I2C adapter and the clients on it, read from
// sysfs below a root that is "/sys" on a running system.
#pragma once

#include <cstdint>
#include <string>

namespace eeprom24c01 {

// The adapter number N of an open i2c-dev device: the minor number of the
// character device, or else the N of a path ending in "i2c-N"; -1 if neither.
int i2c_adapter_number(int fd, const std::string& path);
// The adapter's name (class/i2c-dev/i2c-N/name), "" if it cannot be read.
std::string i2c_adapter_name(const std::string& sysfs_root, int adapter);
// The kernel driver bound to the client at address on the adapter
// (bus/i2c/devices/N-00AA/driver), "" if none is.
std::string i2c_bound_driver(const std::string& sysfs_root, int adapter, std::uint8_t address);
// Whether the name marks a PC chipset's SMBus controller ("SMBus I801
// adapter at f040", "SiS96x SMBus adapter at 0x0c00"), whose addresses 0x50
// to 0x57 are the memory modules' SPD EEPROMs. USB bridges that call
// themselves SMBus bridges are not.
bool i2c_is_memory_bus(const std::string& adapter_name);

}  // namespace eeprom24c01
