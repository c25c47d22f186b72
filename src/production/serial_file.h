// SPDX-License-Identifier: GPL-3.0-or-later
// The serial file that stations on a line share. It is a text file a person
// can read and edit: the next number on its first line, and, when boards
// failed, a second line of the numbers they gave back, lowest first:
//
//     1008
//     given back: 1003 1005
//
// A one-number file is read as it is. Numbers are decimal, or hexadecimal
// after 0x or 0X; the file keeps the notation, the case of the digits and
// the zero padding of its first number, and writes the numbers given back
// the same way. A station locks the file only to take a number, and to give
// back one whose board failed; a number whose board passed is settled by
// the log line that records it. So once every station has ended, each
// number below the next one is on one passed board or given back.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "util/bounded_lock.h"

namespace eeprom24c01 {

inline constexpr std::size_t SERIAL_FILE_MOST = 4096;

struct serial_numbers {
    std::uint64_t next = 0;
    std::set<std::uint64_t> given_back;  // each below next
    // The first number's notation.
    std::string prefix;        // "", "0x" or "0X"
    bool upper_case = false;   // hexadecimal digits A to F
    std::size_t width = 0;     // its digits, zero padding and all
};

// Reads a serial file's text: "" or what is wrong with it, to follow
// "Serial file NAME " in a sentence.
std::string read_serial_numbers(std::string_view text, serial_numbers& numbers);
// The text that holds numbers, each line with its newline.
std::string serial_numbers_text(const serial_numbers& numbers);

// Takes the lowest number given back, or else the next one, and stores the
// file without it, whole and flushed to disk, under the file's lock. "" or
// the line saying why there is no number; the file is then as it was.
std::string take_serial_number(const std::string& path, const lock_wait& wait, std::uint64_t& value);
// Puts back a number taken for a board that failed, so that the next
// station takes it first. "" or the line saying what to do by hand.
std::string give_back_serial_number(const std::string& path, std::uint64_t value, const lock_wait& wait);

}  // namespace eeprom24c01
