// SPDX-License-Identifier: GPL-3.0-or-later
// Console input: one buffered standard-input stream read in order, so text
// typed ahead on a line is consumed by the reads that follow. Every read but
// read_raw_char skips leading white space (newlines too), and every read
// flushes standard output first so the prompt is on the screen.
#pragma once

#include <cstdint>
#include <string>

namespace eeprom24c01 {

enum class input_result {
    ok,
    not_a_number,  // the next characters could not start a number
    end            // standard input has ended
};

// Decimal with an optional sign. Values beyond the int range saturate.
input_result read_decimal(int& value);
// Hexadecimal with an optional sign and 0x/0X prefix. Only the low bits are
// kept, as unsigned arithmetic wraps: the caller takes what it needs.
input_result read_hex(std::uint32_t& value);
// One character after any white space.
input_result read_char(char& c);
// One word after any white space, of any length.
input_result read_word(std::string& word);
// Exactly one character, white space included; false at end of input.
bool read_raw_char();
// Throws away what is left of the current line.
void discard_line();

}  // namespace eeprom24c01
