// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <getopt.h>

#include <cstdint>
#include <iterator>
#include <numeric>
#include <string_view>
#include <vector>

#include "util/number.h"

bool parse_io_base(const std::string& text, unsigned& base) {
    std::uint16_t value = 0;  // a port's I/O space
    if (parse_number(text, value) != number_reading::number || value % 4 != 0) return false;
    base = value;
    return true;
}

namespace {

// Long-only options take values past the range of characters.
enum option_id : int {
    PORT = 256, IO, SIM, NO_CHIP, NO_CABLE, TRACE, CHECK, CHIP, PAGE_SIZE, ADDRESS, ALL,
    FORMAT, SERIAL, SERIAL_FILE, LOG, ERASE, BLANK_CHECK, I2C, FORCE, WP_HIGH,
};

// Every option; a new one needs a row here, a letter in SHORT_OPTIONS if it
// has one, and a case in apply().
constexpr option LONG_OPTIONS[] = {
    {"port", required_argument, nullptr, PORT},   {"io", required_argument, nullptr, IO},
    {"sim", required_argument, nullptr, SIM},     {"no-chip", no_argument, nullptr, NO_CHIP},
    {"no-cable", no_argument, nullptr, NO_CABLE}, {"trace", required_argument, nullptr, TRACE},
    {"read", required_argument, nullptr, 'r'},    {"write", required_argument, nullptr, 'w'},
    {"verify", required_argument, nullptr, 'v'},  {"no-verify", no_argument, nullptr, 'n'},
    {"check", no_argument, nullptr, CHECK},       {"version", no_argument, nullptr, 'V'},
    {"help", no_argument, nullptr, 'h'},          {"chip", required_argument, nullptr, CHIP},
    {"page-size", required_argument, nullptr, PAGE_SIZE}, {"address", required_argument, nullptr, ADDRESS},
    {"all", no_argument, nullptr, ALL},           {"format", required_argument, nullptr, FORMAT},
    {"serial", required_argument, nullptr, SERIAL}, {"serial-file", required_argument, nullptr, SERIAL_FILE},
    {"log", required_argument, nullptr, LOG},     {"erase", no_argument, nullptr, ERASE},
    {"blank-check", no_argument, nullptr, BLANK_CHECK}, {"i2c", required_argument, nullptr, I2C},
    {"force", no_argument, nullptr, FORCE},       {"wp-high", no_argument, nullptr, WP_HIGH},
    {nullptr, 0, nullptr, 0},
};
// ':' first: a missing value is told apart from an unknown option.
constexpr char SHORT_OPTIONS[] = ":r:w:v:nVh";

// "--read" or "-r" for messages.
std::string option_name(int id) {
    for (const option& o : LONG_OPTIONS)
        if (o.name && o.val == id) return std::string("--") + o.name;
    return std::string("-") + static_cast<char>(id);
}

struct parse_state {
    tool_options& options;
    bool backend_chosen = false;
    bool asked_help = false, asked_version = false;
    int seen[512] = {};
};

std::string choose(parse_state& state, backend_kind kind) {
    if (state.backend_chosen) return "choose only one of --port, --io, --sim and --i2c";
    state.backend_chosen = true;
    state.options.backend = kind;
    return {};
}

std::string choose_action(tool_options& options, tool_action action, const char* value) {
    if (options.action != tool_action::menu) return "choose one action of -r, -w, -v, --check, --erase and --blank-check";
    options.action = action;
    if (value) options.image_file = value;
    return {};
}

std::string apply(parse_state& state, int id, const char* value) {
    tool_options& options = state.options;
    if (state.seen[id]++ > 0 && id != 'h' && id != 'V') return option_name(id) + " given twice";
    if (value && *value == '\0') return "option " + option_name(id) + " was given an empty value";
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
        case 'r':
            return choose_action(options, tool_action::read, value);
        case 'w':
            return choose_action(options, tool_action::write, value);
        case 'v':
            return choose_action(options, tool_action::verify, value);
        case 'n':
            options.no_verify = true;
            return {};
        case CHECK:
            return choose_action(options, tool_action::check, nullptr);
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
        case ERASE:
            return choose_action(options, tool_action::erase, nullptr);
        case BLANK_CHECK:
            return choose_action(options, tool_action::blank_check, nullptr);
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
    for (const option& o : LONG_OPTIONS)
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
    if (optopt && arg.rfind("--", 0) == 0) return "option " + option_name(optopt) + " takes no value";
    if (optopt) return std::string("unknown option '-") + static_cast<char>(optopt) + "'";
    if (arg.rfind("--", 0) == 0)
        if (std::string could_be = candidates(arg); !could_be.empty())
            return "option '" + arg.substr(0, arg.find('=')) + "' is ambiguous: it could be " + could_be;
    return "unknown option '" + arg + "'";
}

}  // namespace

std::string parse_options(int argc, char** argv, tool_options& options) {
    parse_state state{options};
    std::string problem;
    opterr = 0;
    optind = 0;  // a fresh scan, even when called more than once
    for (;;) {
        int code = getopt_long(argc, argv, SHORT_OPTIONS, LONG_OPTIONS, nullptr);
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
    if (options.no_verify && options.action != tool_action::write) return "--no-verify goes with --write";
    if (options.write_all && options.action != tool_action::write && options.action != tool_action::erase)
        return "--all goes with --write or --erase";
    if (state.asked_version) options.action = tool_action::version;
    return {};
}
