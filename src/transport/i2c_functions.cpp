// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/i2c_functions.h"

#include <linux/i2c.h>

namespace eeprom24c01 {

int smbus_write_size(unsigned long functions, std::size_t length) {
    if (length >= 2 && length <= I2C_SMBUS_BLOCK_MAX + 1 && (functions & I2C_FUNC_SMBUS_WRITE_I2C_BLOCK))
        return I2C_SMBUS_I2C_BLOCK_DATA;
    if (length == 1 && (functions & I2C_FUNC_SMBUS_WRITE_BYTE)) return I2C_SMBUS_BYTE;
    if (length == 2 && (functions & I2C_FUNC_SMBUS_WRITE_BYTE_DATA)) return I2C_SMBUS_BYTE_DATA;
    if (length == 3 && (functions & I2C_FUNC_SMBUS_WRITE_WORD_DATA)) return I2C_SMBUS_WORD_DATA;
    return -1;
}

i2c_ways choose_i2c_ways(unsigned long functions, int word_bytes) {
    if (functions & I2C_FUNC_I2C) return {i2c_read_way::messages, i2c_write_way::messages};
    i2c_ways ways{i2c_read_way::none, i2c_write_way::none};
    if (word_bytes == 1 && (functions & I2C_FUNC_SMBUS_READ_I2C_BLOCK)) ways.read = i2c_read_way::i2c_block;
    else if (word_bytes == 1 && (functions & I2C_FUNC_SMBUS_READ_BYTE_DATA)) ways.read = i2c_read_way::byte_data;
    else if ((functions & I2C_FUNC_SMBUS_READ_BYTE) && smbus_write_size(functions, word_bytes) >= 0)
        ways.read = i2c_read_way::current_address;
    std::size_t one_byte_write = static_cast<std::size_t>(word_bytes) + 1;
    if (functions & I2C_FUNC_SMBUS_WRITE_I2C_BLOCK) ways.write = i2c_write_way::i2c_block;
    else if (smbus_write_size(functions, one_byte_write) >= 0) ways.write = i2c_write_way::bytes;
    return ways;
}

const char* i2c_ways_name(const i2c_ways& ways) {
    if (ways.read == i2c_read_way::messages) return "plain I2C";
    return ways.read == i2c_read_way::i2c_block || ways.write == i2c_write_way::i2c_block ? "SMBus I2C-block"
                                                                                          : "SMBus byte";
}

}  // namespace eeprom24c01
