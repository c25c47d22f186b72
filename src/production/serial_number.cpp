// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/serial_number.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "image/address_text.h"
#include "text/printable_name.h"
#include "util/bounded_lock.h"

namespace {

constexpr std::uint32_t MAX_BINARY_LENGTH = 8;   // a 64-bit value
constexpr std::uint32_t MAX_ASCII_LENGTH = 20;   // the digits of 2^64 - 1

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool is_hexadecimal(std::string_view text) { return text.starts_with("0x") || text.starts_with("0X"); }

std::uint32_t decimal_digits(std::uint64_t value) {
    std::uint32_t digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

bool parse_encoding(std::string_view name, serial_encoding& encoding) {
    if (name == "be") encoding = serial_encoding::big_endian;
    else if (name == "le") encoding = serial_encoding::little_endian;
    else if (name == "ascii") encoding = serial_encoding::ascii;
    else return false;
    return true;
}

}  // namespace

bool parse_number(std::string_view text, std::uint64_t& value) {
    int base = 10;
    if (is_hexadecimal(text)) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::string parse_serial_layout(std::string_view text, std::uint32_t chip_size, serial_layout& layout) {
    const std::string usage =
        "--serial takes ADDRESS:LENGTH[:FORMAT], FORMAT be, le or ascii (such as 0x10:4 or 0x10:8:ascii)";
    std::size_t first = text.find(':');
    if (first == std::string_view::npos) return usage;
    std::size_t second = text.find(':', first + 1);
    std::string_view length_text = text.substr(first + 1, second == std::string_view::npos ? second : second - first - 1);
    serial_layout parsed;
    if (second != std::string_view::npos && !parse_encoding(text.substr(second + 1), parsed.encoding)) return usage;
    std::uint64_t address = 0, length = 0;
    if (!parse_number(text.substr(0, first), address) || !parse_number(length_text, length)) return usage;
    std::uint32_t most = parsed.encoding == serial_encoding::ascii ? MAX_ASCII_LENGTH : MAX_BINARY_LENGTH;
    if (length < 1 || length > most)
        return "--serial: the length is 1 to " + std::to_string(most) + " bytes for that format";
    if (address + length > chip_size)
        return "--serial " + std::string(text) + " reaches past the chip's last address " +
               address_text(chip_size - 1, chip_size);
    parsed.address = static_cast<std::uint32_t>(address);
    parsed.length = static_cast<std::uint32_t>(length);
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
           "; nothing was written";
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
    fd_.reset(open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd_) {
        error_ = "Serial file " + shown + " cannot be opened (" + std::strerror(errno) +
                 "); it must hold the next number";
        return;
    }
    if (int failure = lock_within(fd_.get(), max_wait, waiting, give_up); failure != 0) {
        error_ = failure == ETIMEDOUT ? "Serial file " + shown + " stayed locked by another station for " +
                                            std::to_string(max_wait.count() / 1000) +
                                            " s; nothing was written: try again when it is free"
                 : failure == EINTR  ? "Serial file " + shown + " was not waited for any longer; nothing was written"
                                      : "Serial file " + shown + " cannot be locked (" + std::strerror(failure) + ")";
        fd_.reset();
        return;
    }
    char text[64];
    ssize_t got = pread(fd_.get(), text, sizeof text, 0);
    std::string_view number = got > 0 ? trimmed(std::string_view(text, static_cast<std::size_t>(got))) : "";
    if (got == static_cast<ssize_t>(sizeof text) || !parse_number(number, value_)) {
        error_ = "Serial file " + shown + " does not hold a number (decimal, or hexadecimal after 0x)";
        fd_.reset();
        return;
    }
    // The number is used only if the next one can be stored.
    if (value_ == UINT64_MAX) {
        error_ = "Serial number " + std::to_string(value_) + " in " + shown +
                 " has no successor that can be stored; nothing was written";
        fd_.reset();
        return;
    }
    original_.assign(text, static_cast<std::size_t>(got));
    hexadecimal_ = is_hexadecimal(number);
    digits_ = number.size() - (hexadecimal_ ? 2 : 0);
}

std::string serial_session::commit() {
    char text[32];
    int length = std::snprintf(text, sizeof text, hexadecimal_ ? "0x%0*llx\n" : "%0*llu\n", static_cast<int>(digits_),
                               static_cast<unsigned long long>(value_ + 1));
    // Over the old text in place, then cut to length: the lock stays on this file.
    ssize_t put = pwrite(fd_.get(), text, static_cast<std::size_t>(length), 0);
    if (put != length || ftruncate(fd_.get(), length) != 0 || fsync(fd_.get()) != 0) {
        std::string why = put < 0 || put == length ? std::strerror(errno) : "short write";
        return "Serial file " + printable_name(path_) + " could not be updated (" + why + "); set it to " +
               std::to_string(value_ + 1) + " by hand";
    }
    ++value_;
    return {};
}

std::string serial_session::restore() {
    ssize_t put = pwrite(fd_.get(), original_.data(), original_.size(), 0);
    if (put != static_cast<ssize_t>(original_.size()) || ftruncate(fd_.get(), static_cast<off_t>(original_.size())) != 0 ||
        fsync(fd_.get()) != 0)
        return "set the serial file " + printable_name(path_) + " back to " + std::to_string(value_ - 1) + " by hand";
    --value_;
    return {};
}
