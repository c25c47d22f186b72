// SPDX-License-Identifier: GPL-3.0-or-later
// Which transfers an adapter's functions (I2C_FUNCS) allow for a part, in
// the order the kernel's at24 driver prefers them: plain I2C messages, then
// SMBus I2C-block transfers, then SMBus byte transfers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace eeprom24c01 {

enum class i2c_read_way {
    messages,         // I2C_RDWR: word address, repeated start, the read
    i2c_block,        // SMBus I2C-block read: one-byte word address, up to 32 bytes
    byte_data,        // SMBus read-byte-data: one-byte word address, one byte
    current_address,  // the word address written once, then SMBus read-byte, byte by byte
    none,
};

enum class i2c_write_way {
    messages,   // I2C_RDWR: one message of word address and data
    i2c_block,  // SMBus I2C-block write: up to 32 bytes after the first
    bytes,      // one data byte a transfer: write-byte-data or write-word-data
    none,
};

struct i2c_ways {
    i2c_read_way read;
    i2c_write_way write;
};

// The ways for a part with word_bytes (1 or 2) word-address bytes.
i2c_ways choose_i2c_ways(unsigned long functions, int word_bytes);
// The SMBus transfer size (I2C_SMBUS_BYTE, ...) that sends length bytes after
// the address and nothing more, or -1 if the functions have none.
int smbus_write_size(unsigned long functions, std::size_t length);
// For --check: "plain I2C", "SMBus I2C-block" or "SMBus byte".
const char* i2c_ways_name(const i2c_ways& ways);

}  // namespace eeprom24c01
