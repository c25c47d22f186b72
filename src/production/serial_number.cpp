// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/serial_number.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "text/address_text.h"
#include "text/printable_name.h"
#include "util/bounded_lock.h"
#include "util/number.h"
#include "util/overwrite_file.h"

namespace eeprom24c01 {

namespace {

constexpr std::uint32_t MAX_BINARY_LENGTH = 8;   // a 64-bit value
constexpr std::uint32_t MAX_ASCII_LENGTH = 20;   // the digits of 2^64 - 1

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::uint32_t decimal_digits(std::uint64_t value) {
    std::uint32_t digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

// The whole file, and a byte past the bound if it has one: 0 or the error.
int read_whole(int fd, std::string& text) {
    char buffer[SERIAL_FILE_MOST + 1];
    std::size_t got = 0;
    while (got < sizeof buffer) {
        ssize_t more = pread(fd, buffer + got, sizeof buffer - got, static_cast<off_t>(got));
        if (more < 0 && errno != EINTR) return errno;
        if (more == 0) break;
        if (more > 0) got += static_cast<std::size_t>(more);
    }
    text.assign(buffer, got);
    return 0;
}

bool parse_encoding(std::string_view name, serial_encoding& encoding) {
    if (name == "be") encoding = serial_encoding::big_endian;
    else if (name == "le") encoding = serial_encoding::little_endian;
    else if (name == "ascii") encoding = serial_encoding::ascii;
    else return false;
    return true;
}

}  // namespace

std::string parse_serial_layout(std::string_view text, std::uint32_t chip_size, serial_layout& layout) {
    const std::string usage =
        "--serial takes ADDRESS:LENGTH[:FORMAT], FORMAT be, le or ascii (such as 0x10:4 or 0x10:8:ascii)";
    std::size_t first = text.find(':');
    if (first == std::string_view::npos) return usage;
    std::size_t second = text.find(':', first + 1);
    std::string_view length_text = text.substr(first + 1, second == std::string_view::npos ? second : second - first - 1);
    serial_layout parsed;
    if (second != std::string_view::npos && !parse_encoding(text.substr(second + 1), parsed.encoding)) return usage;
    const number_reading address = parse_number(text.substr(0, first), parsed.address);
    const number_reading length = parse_number(length_text, parsed.length);
    if (address == number_reading::not_a_number || length == number_reading::not_a_number) return usage;
    std::uint32_t most = parsed.encoding == serial_encoding::ascii ? MAX_ASCII_LENGTH : MAX_BINARY_LENGTH;
    if (length == number_reading::too_large || parsed.length < 1 || parsed.length > most)
        return "--serial: the length is 1 to " + std::to_string(most) + " bytes for that format";
    // Compared so that no sum can wrap.
    if (address == number_reading::too_large || parsed.address >= chip_size || parsed.length > chip_size - parsed.address)
        return "--serial " + std::string(text) + " reaches past the chip's last address " +
               address_text(chip_size - 1, chip_size);
    layout = parsed;
    return {};
}

std::string serial_fit_failure(const serial_layout& layout, std::uint64_t value) {
    bool fits = layout.encoding == serial_encoding::ascii ? decimal_digits(value) <= layout.length
                : layout.length >= MAX_BINARY_LENGTH     ? true
                                                       : value >> (8 * layout.length) == 0;
    if (fits) return {};
    return "Serial number " + std::to_string(value) + " does not fit in " + std::to_string(layout.length) +
           (layout.length == 1 ? " byte" : " bytes") + (layout.encoding == serial_encoding::ascii ? " of digits" : "") +
           "; nothing was written.\n";
}

void stamp_serial(const serial_layout& layout, std::uint64_t value, sparse_image& image) {
    for (std::uint32_t i = 0; i < layout.length; ++i) {
        // i counts from the field's last byte, the least significant place.
        std::uint32_t at = layout.address + layout.length - 1 - i;
        if (layout.encoding == serial_encoding::little_endian) at = layout.address + i;
        std::uint8_t byte = layout.encoding == serial_encoding::ascii ? static_cast<std::uint8_t>('0' + value % 10)
                                                                    : static_cast<std::uint8_t>(value & 0xFF);
        value = layout.encoding == serial_encoding::ascii ? value / 10 : value >> 8;
        image.set(at, byte);
    }
}

serial_session::serial_session(const std::string& path, std::chrono::milliseconds max_wait,
                               const std::function<void()>& waiting, const std::function<bool()>& give_up)
    : path_(path) {
    const std::string shown = printable_name(path);
    // The line that refuses the file, which is then let go.
    auto refuse = [this](const std::string& sentence) {
        error_ = sentence + ".\n";
        fd_.reset();
    };
    fd_.reset(open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd_) {
        refuse("Serial file " + shown + " cannot be opened (" + std::strerror(errno) + "); it must hold the next number");
        return;
    }
    if (int failure = lock_within(fd_.get(), max_wait, waiting, give_up); failure != 0) {
        refuse(failure == ETIMEDOUT ? "Serial file " + shown + " stayed locked by another station for " +
                                          std::to_string(max_wait.count() / 1000) +
                                          " s; nothing was written: try again when it is free"
               : failure == EINTR   ? "Serial file " + shown + " was not waited for any longer; nothing was written"
                                    : "Serial file " + shown + " cannot be locked (" + std::strerror(failure) + ")");
        return;
    }
    std::string text;
    if (int failure = read_whole(fd_.get(), text); failure != 0) {
        refuse("Serial file " + shown + " cannot be read (" + std::strerror(failure) + "); nothing was written");
        return;
    }
    const std::string_view number = trimmed(text);
    const number_reading reading =
        text.size() > SERIAL_FILE_MOST ? number_reading::not_a_number : parse_number(number, value_);
    if (reading != number_reading::number) {
        refuse(reading == number_reading::too_large
                   ? "Serial file " + shown + " holds a number too large for 64 bits; nothing was written"
                   : "Serial file " + shown + " does not hold a number (decimal, or hexadecimal after 0x)");
        return;
    }
    // The number is used only if the next one can be stored.
    if (value_ == UINT64_MAX) {
        refuse("Serial number " + std::to_string(value_) + " in " + shown +
               " has no successor that can be stored; nothing was written");
        return;
    }
    original_ = text;
    prefix_ = has_hexadecimal_prefix(number) ? number.substr(0, 2) : "";
    width_ = number.size() - prefix_.size();
    upper_case_ = number.find_first_of("ABCDEF") != std::string_view::npos;
}

std::string serial_session::notation(std::uint64_t value) const {
    char digits[20];  // 2^64 - 1 has 20 decimal digits
    auto end = std::to_chars(digits, digits + sizeof digits, value, prefix_.empty() ? 10 : 16).ptr;
    std::string shown(digits, end);
    if (upper_case_)
        for (char& digit : shown) digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    return prefix_ + std::string(width_ > shown.size() ? width_ - shown.size() : 0, '0') + shown;
}

// Over the old text in place: the lock stays on this file.
int serial_session::put(const std::string& text, bool& kept) {
    return overwrite_file(fd_.get(), reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), kept);
}

std::string serial_session::commit() {
    bool kept = true;
    int failure = put(notation(value_ + 1) + "\n", kept);
    if (failure == 0) {
        ++value_;
        committed_ = true;
        return {};
    }
    // The run fails, so the number it stamped is not used: the file must hold it still.
    const std::string why = "Serial file " + printable_name(path_) + " could not be updated (" + std::strerror(failure) + ")";
    if (!kept && put(original_, kept) != 0) return why + "; set it back to " + std::string(trimmed(original_)) + " by hand.\n";
    return why + "; it is left as it was.\n";
}

std::string serial_session::restore() {
    if (!committed_) return {};
    bool kept = true;
    if (put(original_, kept) != 0)
        return "Set the serial file " + printable_name(path_) + " back to " + std::string(trimmed(original_)) + " by hand.\n";
    --value_;
    committed_ = false;
    return {};
}

}  // namespace eeprom24c01
