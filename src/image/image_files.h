// Moving images between image_buffer and raw 128-byte files: menu options
// 3, 4 and 7.
#pragma once

void save_buffer_to_file();
void read_custom_file();
void program_default_values();
