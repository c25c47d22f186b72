// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/serial_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>

#include "text/printable_name.h"
#include "util/number.h"
#include "util/overwrite_file.h"

namespace eeprom24c01 {

namespace {

constexpr std::string_view GIVEN_BACK = "given back:";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
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

std::string notation(const serial_numbers& numbers, std::uint64_t value) {
    char digits[20];  // 2^64 - 1 has 20 decimal digits
    auto end = std::to_chars(digits, digits + sizeof digits, value, numbers.prefix.empty() ? 10 : 16).ptr;
    std::string shown(digits, end);
    if (numbers.upper_case)
        for (char& digit : shown) digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    return numbers.prefix + std::string(numbers.width > shown.size() ? numbers.width - shown.size() : 0, '0') + shown;
}

// What keeps a file from being read or changed, to follow "serial file
// NAME " (or to be the whole reason for a timeout).
struct file_problem {
    std::string words;     // "" when there is none
    bool timed_out = false;
};

// Opens, locks and reads the serial file, lets change() alter its numbers
// (it returns "" or why not), and stores them, whole and flushed to disk.
file_problem update(const std::string& path, const lock_wait& wait,
                    const std::function<std::string(serial_numbers&)>& change, bool& left_changed,
                    std::string& original) {
    left_changed = false;
    auto reopen = [&path](unique_fd& fd) {
        fd.reset(open(path.c_str(), O_RDWR | O_CLOEXEC));
        return fd ? 0 : errno;
    };
    unique_fd fd;
    if (int error = reopen(fd)) return {"cannot be opened (" + std::string(std::strerror(error)) + ")"};
    if (int error = lock_named(fd, path, reopen, wait); error != 0) {
        if (error == ETIMEDOUT)
            return {"stayed locked by another station for " + std::to_string(wait.most.count() / 1000) + " s", true};
        if (error == EINTR) return {"was not waited for any longer"};
        return {"cannot be locked (" + std::string(std::strerror(error)) + ")"};
    }
    if (int error = read_whole(fd.get(), original))
        return {"cannot be read (" + std::string(std::strerror(error)) + ")"};
    serial_numbers numbers;
    if (std::string wrong = read_serial_numbers(original, numbers); !wrong.empty()) return {wrong};
    if (std::string refused = change(numbers); !refused.empty()) return {refused};
    const std::string text = serial_numbers_text(numbers);
    bool kept = true;
    auto put = [&](const std::string& bytes) {
        return overwrite_file(fd.get(), reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), kept);
    };
    if (int error = put(text)) {
        if (!kept && put(original) != 0) left_changed = true;
        return {"could not be updated (" + std::string(std::strerror(error)) + ")"};
    }
    return {};
}

}  // namespace

std::string read_serial_numbers(std::string_view text, serial_numbers& numbers) {
    numbers = {};
    const std::string_view not_a_number = "does not hold a number (decimal, or hexadecimal after 0x)";
    if (text.size() > SERIAL_FILE_MOST) return std::string(not_a_number);
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        if (first) {
            const number_reading reading = parse_number(line, numbers.next);
            if (reading == number_reading::too_large) return "holds a number too large for 64 bits";
            if (reading != number_reading::number) return std::string(not_a_number);
            numbers.prefix = has_hexadecimal_prefix(line) ? line.substr(0, 2) : "";
            numbers.width = line.size() - numbers.prefix.size();
            numbers.upper_case = line.find_first_of("ABCDEF") != std::string_view::npos;
            first = false;
            continue;
        }
        const std::string_view wrong_line =
            "has a line other than the next number and one \"given back:\" line of numbers below it";
        if (!line.starts_with(GIVEN_BACK)) return std::string(wrong_line);
        std::string_view rest = line.substr(GIVEN_BACK.size());
        while (!(rest = trimmed(rest)).empty()) {
            const std::size_t space = rest.find_first_of(" \t");
            std::uint64_t value = 0;
            if (parse_number(rest.substr(0, space), value) != number_reading::number || value >= numbers.next)
                return std::string(wrong_line);
            numbers.given_back.insert(value);
            rest.remove_prefix(space == std::string_view::npos ? rest.size() : space);
        }
    }
    if (first) return std::string(not_a_number);
    return {};
}

std::string serial_numbers_text(const serial_numbers& numbers) {
    std::string text = notation(numbers, numbers.next) + "\n";
    if (numbers.given_back.empty()) return text;
    text += GIVEN_BACK;
    for (std::uint64_t value : numbers.given_back) {
        text += ' ';
        text += notation(numbers, value);
    }
    return text + "\n";
}

std::string take_serial_number(const std::string& path, const lock_wait& wait, std::uint64_t& value) {
    const std::string shown = printable_name(path);
    std::string no_successor;
    bool left_changed = false;
    std::string original;
    file_problem problem = update(
        path, wait,
        [&](serial_numbers& numbers) -> std::string {
            if (!numbers.given_back.empty()) {
                value = *numbers.given_back.begin();
                numbers.given_back.erase(numbers.given_back.begin());
                return {};
            }
            // The number is used only if the next one can be stored.
            if (numbers.next == UINT64_MAX) {
                no_successor = "Serial number " + std::to_string(numbers.next) + " in " + shown +
                               " has no successor that can be stored; nothing was written.\n";
                return "-";
            }
            value = numbers.next++;
            return {};
        },
        left_changed, original);
    if (!no_successor.empty()) return no_successor;
    if (problem.words.empty()) return {};
    std::string line = "Serial file " + shown + " " + problem.words + "; nothing was written";
    if (problem.timed_out) line += ": try again when it is free";
    if (left_changed) line += ": set it back to \"" + printable_name(std::string(trimmed(original))) + "\" by hand";
    return line + ".\n";
}

std::string give_back_serial_number(const std::string& path, std::uint64_t value, const lock_wait& wait) {
    bool left_changed = false;
    std::string original;
    file_problem problem = update(
        path, wait,
        [value](serial_numbers& numbers) -> std::string {
            // A file set back by hand below value hands value out again anyway.
            if (value < numbers.next) numbers.given_back.insert(value);
            // Numbers given back just below the next one become the next.
            while (numbers.next > 0 && numbers.given_back.erase(numbers.next - 1) == 1) --numbers.next;
            return {};
        },
        left_changed, original);
    if (problem.words.empty()) return {};
    const std::string shown = printable_name(path);
    std::string line = "Serial number " + std::to_string(value) + " was not used, but the serial file " + shown + " " +
                       problem.words + ": add it to the file's \"given back:\" line by hand";
    if (left_changed) line += ", after setting the file back to \"" + printable_name(std::string(trimmed(original))) + "\"";
    return line + ".\n";
}

}  // namespace eeprom24c01
