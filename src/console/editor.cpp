// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/editor.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "console/console_input.h"
#include "image/image.h"

namespace eeprom24c01 {

namespace {

enum class pass { again, done, input_ended };

// Reads one number: ok, or end of input, or anything that is not a number,
// refused with the rest of its line (not_a_number).
template <typename Number>
input_result read_number(input_result (*reader)(Number&), Number& value, const char* refusal) {
    input_result result = reader(value);
    if (result == input_result::not_a_number) {
        std::fputs(refusal, stdout);
        discard_line();
    }
    return result;
}

pass after(input_result result) { return result == input_result::end ? pass::input_ended : pass::again; }

// One pass of the dialogue.
pass edit_one_byte(std::span<std::uint8_t> image) {
    const std::string last = std::to_string(image.size() - 1);
    const std::string refusal = "Address must be 0 to " + last + ".\n";
    std::printf("\nEnter the address location you want to change. (0 to %s)\n", last.c_str());
    int address = 0;
    input_result got = read_number(read_decimal, address, refusal.c_str());
    if (got != input_result::ok) return after(got);
    if (address < 0 || static_cast<std::size_t>(address) >= image.size()) {
        std::fputs(refusal.c_str(), stdout);
        discard_line();
        return pass::again;
    }
    std::fputs("Enter the byte in HEX format.\n", stdout);
    std::uint32_t value = 0;
    got = read_number(read_hex, value, "The byte must be a hexadecimal number, such as 3c.\n");
    if (got != input_result::ok) return after(got);
    image[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value & 0xFF);
    std::fputs("Done (y/n)?\n", stdout);
    char answer = 0;
    if (read_char(answer) == input_result::end) return pass::input_ended;
    return answer == 'y' ? pass::done : pass::again;
}

}  // namespace

bool change_buffer_data(std::span<std::uint8_t> image) {
    std::fputs("Contents of default data:\n", stdout);
    print_dump(image, dump_index::decimal);
    for (pass p = pass::again; p != pass::done;) {
        p = edit_one_byte(image);
        if (p == pass::input_ended) return false;
    }
    print_dump(image, dump_index::decimal);
    std::fputs("\n", stdout);
    return true;
}

}  // namespace eeprom24c01
