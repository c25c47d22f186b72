// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/i2cdev_texts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "transport/port_advice.h"

namespace eeprom24c01 {

namespace {

std::string hex(std::uint8_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", address);
    return text;
}

}  // namespace

std::string i2cdev_open_refusal(const std::string& device, int error) {
    return port_refusal(port_kind::i2c, device, error);
}

std::string i2cdev_owned_refusal(const std::string& device, int adapter, std::uint8_t address,
                                 const std::string& driver) {
    std::string head = "The address " + hex(address) + " on " + device + " belongs to ";
    if (driver.empty()) return head + "a kernel driver: unbind it, or give --force to use the chip anyway.\n";
    char client[16];
    std::snprintf(client, sizeof client, "%d-%04x", adapter, address);
    return head + "the kernel driver " + driver + ": unbind it (echo " + client + " | sudo tee /sys/bus/i2c/drivers/" +
           driver + "/unbind), or give --force to use the chip anyway.\n";
}

std::string i2cdev_memory_bus_refusal(const std::string& device, const std::string& adapter_name,
                                      std::uint8_t address) {
    return "Refusing to write at " + hex(address) + " on " + device + " (" + adapter_name +
           "): on a PC's SMBus, 0x50 to 0x57 are the memory modules' SPD EEPROMs, and a write there can leave a "
           "module unusable. Reading is allowed; give --force only if the chip at " + hex(address) +
           " is your own.\n";
}

std::string i2cdev_memory_bus_read_refusal(const std::string& device, const std::string& adapter_name,
                                           std::uint8_t address, const std::string& part) {
    return "Refusing to read the " + part + " at " + hex(address) + " on " + device + " (" + adapter_name +
           "): this adapter cannot write the word address and read in one transfer, and the write that sets it "
           "would change a one-byte-address chip there, such as a memory module's SPD EEPROM. Give --force only if "
           "the chip at " + hex(address) + " is your own.\n";
}

std::string i2cdev_short_reads_refusal(const std::string& device, std::size_t bytes) {
    return "The I2C adapter " + device + " refuses reads of " + std::to_string(bytes) +
           " bytes, which this tool needs: use another adapter.\n";
}

std::string i2cdev_unable_refusal(const std::string& device, const std::string& part, bool writing) {
    return std::string("The I2C adapter ") + device + " has no transfer that can " + (writing ? "write" : "read") +
           " a " + part + ": it offers neither plain I2C nor the SMBus transfers the part needs.\n";
}

std::string i2cdev_no_device_code_refusal(const std::string& part) {
    return "The " + part + " answers at every bus address, so it cannot share an I2C adapter with other chips: "
           "program it on the parallel port.\n";
}

std::string i2cdev_lost(const std::string& device, int error) {
    return "Lost the I2C adapter " + device + ": " + std::strerror(error) +
           ". Check the adapter and its cable; the next action opens it afresh.\n";
}

}  // namespace eeprom24c01
