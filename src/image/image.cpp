#include "image/image.h"

#include <cstdio>

std::uint8_t image_buffer[IMAGE_SIZE];
std::uint8_t readback_buffer[IMAGE_SIZE];

void print_dump_entry(int index, std::uint8_t value, dump_index format) {
    std::printf(format == dump_index::decimal ? "%3d %3x " : "%3x %3x ", index, value);
}

void print_dump(const std::uint8_t* buffer, dump_index format) {
    std::fputs(DUMP_HEADER, stdout);
    for (int i = 0; i < IMAGE_SIZE; ++i) print_dump_entry(i, buffer[i], format);
}

int first_difference(const std::uint8_t* a, const std::uint8_t* b) {
    for (int i = 0; i < IMAGE_SIZE; ++i)
        if (a[i] != b[i]) return i;
    return -1;
}
