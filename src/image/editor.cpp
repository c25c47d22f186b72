#include "image/editor.h"

#include <cstdint>
#include <cstdio>
#include <string>

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
bool edit_one_byte(std::span<std::uint8_t> image) {
    const std::string last = std::to_string(image.size() - 1);
    const std::string refusal = "Address must be 0 to " + last + ".\n";
    std::printf("\nEnter the address location you want to change. (0 to %s)\n", last.c_str());
    int address = 0;
    if (!read_number(read_decimal, address, refusal.c_str())) return true;
    if (address < 0 || static_cast<std::size_t>(address) >= image.size()) {
        std::fputs(refusal.c_str(), stdout);
        discard_line();
        return true;
    }
    std::fputs("Enter the byte in HEX format.\n", stdout);
    std::uint32_t value = 0;
    if (!read_number(read_hex, value, "The byte must be a hexadecimal number, such as 3c.\n")) return true;
    image[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value & 0xFF);
    std::fputs("Done (y/n)?\n", stdout);
    char answer = 0;
    if (read_char(answer) == input_result::end) end_of_input();
    return answer != 'y';
}

}  // namespace

void change_buffer_data(std::span<std::uint8_t> image) {
    std::fputs("Contents of default data:\n", stdout);
    print_dump(image, dump_index::decimal);
    while (edit_one_byte(image)) {
    }
    print_dump(image, dump_index::decimal);
    std::fputs("\n", stdout);
}
