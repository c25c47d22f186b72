// The byte editor: menu option 2.
#pragma once

#include <cstdint>
#include <span>

void change_buffer_data(std::span<std::uint8_t> image);
