#include "image/editor.h"

#include <cstdint>
#include <cstdio>

#include "console/console_input.h"
#include "image/image.h"

namespace {

// Reads one number; end of input ends the program, and anything that is not
// a number is refused with the rest of its line.
template <typename Number>
bool read_number(input_result (*reader)(Number&), Number& value, const char* refusal) {
    input_result result = reader(value);
    if (result == input_result::end) end_of_input();
    if (result == input_result::ok) return true;
    std::fputs(refusal, stdout);
    discard_line();
    return false;
}

// One pass of the dialogue; false when the user answered y.
bool edit_one_byte() {
    std::fputs("\nEnter the address location you want to change. (0 to 127)\n", stdout);
    int address = 0;
    if (!read_number(read_decimal, address, "Address must be 0 to 127.\n")) return true;
    if (address < 0 || address >= IMAGE_SIZE) {
        std::fputs("Address must be 0 to 127.\n", stdout);
        discard_line();
        return true;
    }
    std::fputs("Enter the byte in HEX format.\n", stdout);
    std::uint32_t value = 0;
    if (!read_number(read_hex, value, "The byte must be a hexadecimal number, such as 3c.\n")) return true;
    image_buffer[address] = static_cast<std::uint8_t>(value & 0xFF);
    std::fputs("Done (y/n)?\n", stdout);
    char answer = 0;
    if (read_char(answer) == input_result::end) end_of_input();
    return answer != 'y';
}

}  // namespace

void change_buffer_data() {
    std::fputs("Contents of default data:\n", stdout);
    print_dump(image_buffer, dump_index::decimal);
    while (edit_one_byte()) {
    }
    print_dump(image_buffer, dump_index::decimal);
    std::fputs("\n", stdout);
}
