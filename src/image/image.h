// The working image of the EEPROM, the buffer verification reads the chip
// into, and the one way an image is shown on the console.
#pragma once

#include <cstdint>

inline constexpr int IMAGE_SIZE = 128;
inline constexpr const char* DEFAULT_IMAGE_FILE = "dflt.dat";

// Slot i holds the byte of word address i.
extern std::uint8_t image_buffer[IMAGE_SIZE];
extern std::uint8_t readback_buffer[IMAGE_SIZE];

enum class dump_index { decimal, hexadecimal };

inline constexpr const char* DUMP_HEADER =
    " #  data #  data #  data #  data #  data #  data #  data #  data #  data #  data\n";

// One 8-character entry, no line break: an 80-column console wraps the
// entries into rows of ten under the header.
void print_dump_entry(int index, std::uint8_t value, dump_index format);
// The header and all 128 entries; nothing after the last entry.
void print_dump(const std::uint8_t* buffer, dump_index format);

// The first slot at which a and b differ, or -1 when all 128 are equal.
int first_difference(const std::uint8_t* a, const std::uint8_t* b);
