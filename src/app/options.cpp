// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <getopt.h>

#include <cstdint>
#include <iterator>
#include <numeric>
#include <string_view>
#include <vector>

#include "app/actions.h"
#include "transport/ch341_usb.h"
#include "util/number.h"

namespace eeprom24c01 {

bool parse_io_base(const std::string& text, unsigned& base) {
    std::uint16_t value = 0;  // a port's I/O space
    if (parse_number(text, value) != number_reading::number || value % 4 != 0) return false;
    base = value;
    return true;
}

namespace {

// Long-only options take values past the range of characters; the actions'
// after those, one a row of the table.
enum option_id : int {
    PORT = 256, IO, SIM, NO_CHIP, NO_CABLE, TRACE, CHIP, PAGE_SIZE, ADDRESS, ALL,
    FORMAT, SERIAL, SERIAL_FILE, LOG, I2C, FORCE, WP_HIGH, CH341, CLOCK, LOCK_WAIT, FIRST_ACTION = 400,
};

// The options besides the actions; a new one needs a row here, a letter in
// short_options() if it has one, and a case in apply().
constexpr option OTHER_OPTIONS[] = {
    {"port", required_argument, nullptr, PORT},   {"io", required_argument, nullptr, IO},
    {"sim", required_argument, nullptr, SIM},     {"no-chip", no_argument, nullptr, NO_CHIP},
    {"no-cable", no_argument, nullptr, NO_CABLE}, {"trace", required_argument, nullptr, TRACE},
    {"no-verify", no_argument, nullptr, 'n'},     {"version", no_argument, nullptr, 'V'},
    {"help", no_argument, nullptr, 'h'},          {"chip", required_argument, nullptr, CHIP},
    {"page-size", required_argument, nullptr, PAGE_SIZE}, {"address", required_argument, nullptr, ADDRESS},
    {"all", no_argument, nullptr, ALL},           {"format", required_argument, nullptr, FORMAT},
    {"serial", required_argument, nullptr, SERIAL}, {"serial-file", required_argument, nullptr, SERIAL_FILE},
    {"log", required_argument, nullptr, LOG},     {"i2c", required_argument, nullptr, I2C},
    {"force", no_argument, nullptr, FORCE},       {"wp-high", no_argument, nullptr, WP_HIGH},
    {"ch341", optional_argument, nullptr, CH341}, {"clock", required_argument, nullptr, CLOCK},
    {"lock-wait", required_argument, nullptr, LOCK_WAIT},
};

int option_id_of(const action_row& row) {
    return row.letter ? row.letter : FIRST_ACTION + static_cast<int>(&row - action_rows().data());
}

// Every long option, the actions first, as getopt_long wants them.
const std::vector<option>& long_options() {
    static const std::vector<option> all = [] {
        std::vector<option> options;
        for (const action_row& row : action_rows())
            options.push_back({row.option, row.takes_file ? required_argument : no_argument, nullptr, option_id_of(row)});
        options.insert(options.end(), std::begin(OTHER_OPTIONS), std::end(OTHER_OPTIONS));
        options.push_back({nullptr, 0, nullptr, 0});
        return options;
    }();
    return all;
}

// ':' first: a missing value is told apart from an unknown option.
std::string short_options() {
    std::string letters = ":";
    for (const action_row& row : action_rows())
        if (row.letter) letters += std::string(1, row.letter) + (row.takes_file ? ":" : "");
    return letters + "nVh";
}

const action_row* action_of_option(int id) {
    for (const action_row& row : action_rows())
        if (option_id_of(row) == id) return &row;
    return nullptr;
}

// "--read" or "-r" for messages.
std::string option_name(int id) {
    for (const option& o : long_options())
        if (o.name && o.val == id) return std::string("--") + o.name;
    return std::string("-") + static_cast<char>(id);
}

// "-r, -w, -v, --check, --erase and --blank-check"
std::string action_options() {
    std::string list;
    for (const action_row& row : action_rows()) {
        const bool last = &row == &action_rows().back();
        list += (list.empty() ? "" : last ? " and " : ", ") + option_name(row.letter ? row.letter : option_id_of(row));
    }
    return list;
}

struct parse_state {
    tool_options& options;
    bool backend_chosen = false;
    bool asked_help = false, asked_version = false;
    int seen[512] = {};
};

std::string choose(parse_state& state, backend_kind kind) {
    if (state.backend_chosen) return "choose only one of --port, --io, --sim, --i2c and --ch341";
    state.backend_chosen = true;
    state.options.backend = kind;
    return {};
}

std::string choose_action(tool_options& options, const action_row& row, const char* value) {
    if (options.action != tool_action::menu) return "choose one action of " + action_options();
    options.action = row.action;
    if (value) options.image_file = value;
    return {};
}

std::string apply(parse_state& state, int id, const char* value) {
    tool_options& options = state.options;
    if (state.seen[id]++ > 0 && id != 'h' && id != 'V') return option_name(id) + " given twice";
    if (value && *value == '\0') return "option " + option_name(id) + " was given an empty value";
    if (const action_row* row = action_of_option(id)) return choose_action(options, *row, value);
    switch (id) {
        case PORT:
            options.port_device = value;
            return choose(state, backend_kind::ppdev);
        case IO:
            if (std::string problem = choose(state, backend_kind::io_ports); !problem.empty()) return problem;
            if (!parse_io_base(value, options.io_base))
                return std::string("bad --io address '") + value + "': give a multiple of 4 below 0x10000, such as 0x378";
            return {};
        case SIM:
            options.chip_file = value;
            return choose(state, backend_kind::simulated);
        case I2C:
            options.i2c_device = value;
            return choose(state, backend_kind::i2c_dev);
        case CH341:
            if (value) options.ch341_device = value;
            if (usb_location at; value && !parse_usb_location(value, at))
                return std::string("bad --ch341 '") + value + "': give BUS:DEVICE as lsusb prints them, such as 003:007";
            return choose(state, backend_kind::ch341);
        case CLOCK:
            if (parse_frequency(value, options.clock_hz) != number_reading::number)
                return std::string("bad --clock '") + value + "': give hertz, or kilohertz or megahertz such as 400k or 1M";
            return {};
        case FORCE:
            options.force = true;
            return {};
        case NO_CHIP:
            options.no_chip = true;
            return {};
        case NO_CABLE:
            options.no_cable = true;
            return {};
        case WP_HIGH:
            options.wp_high = true;
            return {};
        case TRACE:
            options.trace_file = value;
            return {};
        case 'n':
            options.no_verify = true;
            return {};
        case CHIP:
            options.chip.name = value;
            return {};
        case PAGE_SIZE:
            options.chip.page_size = value;
            return {};
        case ADDRESS:
            options.chip.address = value;
            return {};
        case ALL:
            options.write_all = true;
            return {};
        case FORMAT:
            options.production.format = value;
            return {};
        case SERIAL:
            options.production.serial = value;
            return {};
        case SERIAL_FILE:
            options.production.serial_file = value;
            return {};
        case LOG:
            options.production.log_file = value;
            return {};
        case LOCK_WAIT:
            options.production.lock_wait = value;
            return {};
        case 'V':
            state.asked_version = true;
            return {};
        case 'h':
            state.asked_help = true;
            return {};
        default:
            return "unknown option";
    }
}

// The long options an abbreviation such as "--no-c" could stand for, when
// it could stand for more than one ("--no-chip or --no-cable"); "" otherwise.
std::string candidates(const std::string& arg) {
    std::string typed = arg.substr(2, arg.find('=') - 2);
    std::vector<std::string> found;
    for (const option& o : long_options())
        if (o.name && std::string_view(o.name).starts_with(typed)) found.push_back(std::string("--") + o.name);
    if (found.size() < 2) return {};
    std::string list = found.front();
    for (std::size_t i = 1; i < found.size(); ++i) list += (i + 1 == found.size() ? " or " : ", ") + found[i];
    return list;
}

// What getopt_long refused, in words.
std::string refused(int code, char** argv) {
    std::string arg = argv[optind - 1];
    if (code == ':') return "option " + (optopt ? option_name(optopt) : arg) + " needs a value";
    // A known option here is a long one given a value; an unknown letter may
    // sit in a cluster after a long option ("--check -xn"), which arg then names.
    const bool known = optopt >= 256 || (optopt > 0 && optopt != ':' && short_options().find(static_cast<char>(optopt)) != std::string::npos);
    if (known) return "option " + option_name(optopt) + " takes no value";
    if (optopt) return std::string("unknown option '-") + static_cast<char>(optopt) + "'";
    if (arg.rfind("--", 0) == 0)
        if (std::string could_be = candidates(arg); !could_be.empty())
            return "option '" + arg.substr(0, arg.find('=')) + "' is ambiguous: it could be " + could_be;
    return "unknown option '" + arg + "'";
}

}  // namespace

// "--write or --erase": the actions of which flag holds.
std::string actions_that(bool action_row::*flag) {
    std::vector<std::string> names;
    for (const action_row& row : action_rows())
        if (row.*flag) names.push_back(std::string("--") + row.option);
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return list;
}

std::string parse_options(int argc, char** argv, tool_options& options) {
    parse_state state{options};
    std::string problem;
    const std::string letters = short_options();
    opterr = 0;
    optind = 0;  // a fresh scan, even when called more than once
    for (;;) {
        int code = getopt_long(argc, argv, letters.c_str(), long_options().data(), nullptr);
        if (code == -1) break;
        // The first problem is kept, but the scan goes on: -h answers anyway.
        std::string found = code == '?' || code == ':' ? refused(code, argv) : apply(state, code, optarg);
        if (problem.empty()) problem = found;
    }
    if (state.asked_help) {
        options.action = tool_action::help;
        return {};
    }
    if (problem.empty() && optind < argc) problem = std::string("unexpected argument '") + argv[optind] + "'";
    if (!problem.empty()) return problem;
    const int given = std::accumulate(std::begin(state.seen), std::end(state.seen), 0);
    if (options.chip.name == "list" && given > 1)
        return "--chip list goes alone: it prints the table of parts and does nothing else";
    if (options.production.format == "list" && given > 1)
        return "--format list goes alone: it prints the table of formats and does nothing else";
    if ((options.no_chip || options.no_cable) && options.backend != backend_kind::simulated)
        return std::string(options.no_chip ? "--no-chip" : "--no-cable") + " needs --sim FILE";
    if (options.no_chip && options.no_cable) return "choose one of --no-chip and --no-cable";
    if (options.wp_high && options.backend != backend_kind::simulated) return "--wp-high needs --sim FILE";
    if (options.force && options.backend != backend_kind::i2c_dev) return "--force goes with --i2c";
    if (!options.trace_file.empty() && options.backend == backend_kind::i2c_dev)
        return "--trace cannot go with --i2c: the kernel runs that bus, and the tool does not see its lines";
    if (!options.trace_file.empty() && options.backend == backend_kind::ch341)
        return "--trace cannot go with --ch341: the programmer runs that bus, and the tool does not see its lines";
    if (options.clock_hz != 0 && options.backend == backend_kind::i2c_dev)
        return "--clock cannot go with --i2c: the adapter's kernel driver sets that bus's clock (clock-frequency in the "
               "device tree, dtparam=i2c_arm_baudrate on a Raspberry Pi, or the driver's module parameter)";
    const action_row* row = row_of(options.action);
    if (options.no_verify && !(row && row->stamps_serial)) return "--no-verify goes with " + actions_that(&action_row::stamps_serial);
    if (options.write_all && !(row && row->writes_chip)) return "--all goes with " + actions_that(&action_row::writes_chip);
    if (state.asked_version) options.action = tool_action::version;
    return {};
}

}  // namespace eeprom24c01
