// SPDX-License-Identifier: GPL-3.0-or-later
// Serial numbers (or MAC addresses) stamped into each board's image. The
// next value lives as text in a file that stations on a line share: it is
// locked for the whole action, and moves on only after a board was written
// and verified, so a failed board uses up no number.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "image/sparse_image.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

enum class serial_encoding {
    big_endian,     // be: binary, most significant byte first (the default)
    little_endian,  // le
    ascii,          // decimal digits, zero-padded to the length
};

struct serial_layout {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    serial_encoding encoding = serial_encoding::big_endian;
};

// "ADDRESS:LENGTH[:FORMAT]", FORMAT be, le or ascii; the field must lie in a
// chip of chip_size bytes. "" or what is wrong with the option, in a few
// words, as usage errors are told.
std::string parse_serial_layout(std::string_view text, std::uint32_t chip_size, serial_layout& layout);
// "" when value can be stamped in the field, else the line saying why not.
std::string serial_fit_failure(const serial_layout& layout, std::uint64_t value);
// Writes value into image at the field, which becomes covered. The value must fit.
void stamp_serial(const serial_layout& layout, std::uint64_t value, sparse_image& image);

inline constexpr std::chrono::milliseconds SERIAL_LOCK_WAIT{30000};
inline constexpr std::size_t SERIAL_FILE_MOST = 4096;

// One action's hold on the serial file: opened, locked (waiting at most
// max_wait for another station) and read whole on construction, released on
// destruction. The file holds the number as text, white space around it
// allowed, in at most SERIAL_FILE_MOST bytes.
class serial_session {
public:
    // waiting, if given, is called once when another station holds the file;
    // give_up, if given, is asked while it waits, and ends the wait with the
    // file unread when it says so (error() then says the wait was given up).
    explicit serial_session(const std::string& path, std::chrono::milliseconds max_wait = SERIAL_LOCK_WAIT,
                            const std::function<void()>& waiting = {}, const std::function<bool()>& give_up = {});

    // "" or the line saying why there is no number to use.
    const std::string& error() const { return error_; }
    // The number to use; after a commit the next one, after a restore again
    // the one that was not used.
    std::uint64_t value() const { return value_; }
    // Stores the value after this one in place of the file's text (the lock
    // stays on the same file), whole and flushed to disk, in the file's own
    // notation: decimal, 0x or 0X, the case of its hexadecimal digits and its
    // zero padding. "" or the line saying why not, and whether the file was
    // left as it was or must be set back by hand.
    std::string commit();
    // After a commit: puts back the text the file held when it was read,
    // whole and flushed to disk. "" or the line saying what to do by hand,
    // "Set the serial file serial.txt back to 1000 by hand."
    std::string restore();

private:
    std::string notation(std::uint64_t value) const;
    int put(const std::string& text, bool& kept);

    std::string path_;
    unique_fd fd_;
    std::string error_;
    std::uint64_t value_ = 0;
    std::string original_;     // the file's text as read
    std::string prefix_;       // "", "0x" or "0X"
    bool upper_case_ = false;  // hexadecimal digits A to F
    std::size_t width_ = 0;    // the digits written, zero padding and all
    bool committed_ = false;
};

}  // namespace eeprom24c01
