// Whole-device operations: menu options 1, 5 and 6.
#pragma once

#include <cstdint>

// Loop counter of the write; its low 8 bits are the word address sent.
extern std::int32_t bus_address;

// Programs all 128 bytes of image_buffer, one byte per transaction.
void write_eeprom();
// Dummy write of word address 0, repeated start and DEVICE_READ: the chip
// is then ready to send byte 0.
void begin_read_at_zero();
// Reads the whole device into buffer in one sequential read from address 0.
// Leaves both lines low.
void read_whole_device(std::uint8_t* buffer);
// Reads the device into image_buffer and shows it.
void read_eeprom_to_buffer();
// Compares the device with image_buffer up to the first difference.
void verify_eeprom();
