// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/console_input.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace eeprom24c01 {

namespace {

// Characters looked at and given back. std::ungetc promises only one, and
// "0x" not followed by a digit needs two.
std::vector<int> pushed_back;

int next_char() {
    if (!pushed_back.empty()) {
        int c = pushed_back.back();
        pushed_back.pop_back();
        return c;
    }
    return std::getchar();
}

void give_back(int c) {
    if (c != EOF) pushed_back.push_back(c);
}

// Skips white space; returns the first other character (or EOF).
int skip_space() {
    std::fflush(stdout);
    int c = next_char();
    while (c != EOF && std::isspace(c)) c = next_char();
    return c;
}

int digit_value(int c, int base) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return -1;
    return v < base ? v : -1;
}

// Reads an optional sign and, for base 16, an optional 0x prefix. Returns
// the first digit character, or gives everything back and returns -1.
int number_start(int first, bool& negative, int base) {
    negative = false;
    int c = first;
    if (c == '+' || c == '-') {
        negative = (c == '-');
        int d = next_char();
        if (digit_value(d, base) < 0) {
            give_back(d);
            give_back(c);
            return -1;
        }
        c = d;
    }
    if (base == 16 && c == '0') {
        int x = next_char();
        if (x == 'x' || x == 'X') {
            int d = next_char();
            if (digit_value(d, 16) >= 0) return d;
            give_back(d);
            give_back(x);
            return c;  // the number is the 0 alone
        }
        give_back(x);
        return c;
    }
    if (digit_value(c, base) < 0) {
        give_back(c);
        return -1;
    }
    return c;
}

}  // namespace

input_result read_decimal(int& value) {
    int c = skip_space();
    if (c == EOF) return input_result::end;
    bool negative;
    c = number_start(c, negative, 10);
    if (c < 0) return input_result::not_a_number;
    long long magnitude = 0;
    for (; digit_value(c, 10) >= 0; c = next_char()) {
        if (magnitude <= INT_MAX) magnitude = magnitude * 10 + digit_value(c, 10);
    }
    give_back(c);
    if (negative) magnitude = -magnitude;
    value = static_cast<int>(magnitude < INT_MIN ? INT_MIN : magnitude > INT_MAX ? INT_MAX : magnitude);
    return input_result::ok;
}

input_result read_hex(std::uint32_t& value) {
    int c = skip_space();
    if (c == EOF) return input_result::end;
    bool negative;
    c = number_start(c, negative, 16);
    if (c < 0) return input_result::not_a_number;
    std::uint32_t result = 0;
    for (; digit_value(c, 16) >= 0; c = next_char()) result = result * 16u + static_cast<std::uint32_t>(digit_value(c, 16));
    give_back(c);
    value = negative ? 0u - result : result;
    return input_result::ok;
}

input_result read_char(char& out) {
    int c = skip_space();
    if (c == EOF) return input_result::end;
    out = static_cast<char>(c);
    return input_result::ok;
}

input_result read_word(std::string& word) {
    int c = skip_space();
    if (c == EOF) return input_result::end;
    word.clear();
    while (c != EOF && !std::isspace(c)) {
        word.push_back(static_cast<char>(c));
        c = next_char();
    }
    give_back(c);
    return input_result::ok;
}

bool read_raw_char() {
    std::fflush(stdout);
    return next_char() != EOF;
}

void discard_line() {
    int c = next_char();
    while (c != EOF && c != '\n') c = next_char();
}

}  // namespace eeprom24c01
