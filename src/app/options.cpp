#include "app/options.h"

#include <cctype>

bool parse_io_base(const std::string& text, unsigned& base) {
    std::string digits = text;
    int radix = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
        radix = 16;
    }
    if (digits.empty() || digits.size() > 6) return false;
    unsigned long value = 0;
    for (char ch : digits) {
        int c = static_cast<unsigned char>(ch);
        int d = std::isdigit(c) ? c - '0' : (radix == 16 && std::isxdigit(c)) ? std::tolower(c) - 'a' + 10 : -1;
        if (d < 0) return false;
        value = value * static_cast<unsigned long>(radix) + static_cast<unsigned long>(d);
    }
    if (value >= 0x10000 || value % 4 != 0) return false;
    base = static_cast<unsigned>(value);
    return true;
}

namespace {

struct action_flag {
    const char* short_name;
    const char* long_name;
    tool_action action;
    bool takes_file;
};

constexpr action_flag ACTION_FLAGS[] = {
    {"-r", "--read", tool_action::read, true},       {"-w", "--write", tool_action::write, true},
    {"-v", "--verify", tool_action::verify, true},   {"--check", "--check", tool_action::check, false},
    {"-V", "--version", tool_action::version, false}, {"-h", "--help", tool_action::help, false},
};

const action_flag* find_action(const std::string& arg) {
    for (const auto& flag : ACTION_FLAGS)
        if (arg == flag.short_name || arg == flag.long_name) return &flag;
    return nullptr;
}

}  // namespace

std::string parse_options(int argc, char** argv, tool_options& options) {
    bool backend_chosen = false;
    auto choose = [&](backend_kind kind) -> std::string {
        if (backend_chosen) return "choose only one of --port, --io and --sim";
        backend_chosen = true;
        options.backend = kind;
        return {};
    };
    bool asked_help = false, asked_version = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--no-chip" || arg == "--no-cable" || arg == "-n" || arg == "--no-verify" || arg == "--all") {
            bool& flag = arg == "--no-chip"    ? options.no_chip
                         : arg == "--no-cable" ? options.no_cable
                         : arg == "--all"      ? options.write_all
                                               : options.no_verify;
            flag = true;
            continue;
        }
        const action_flag* action = find_action(arg);
        if (action && (action->action == tool_action::help || action->action == tool_action::version)) {
            // Help and version answer whatever else is asked.
            (action->action == tool_action::help ? asked_help : asked_version) = true;
            continue;
        }
        std::string* chip_value = arg == "--chip"        ? &options.chip.name
                                  : arg == "--page-size" ? &options.chip.page_size
                                  : arg == "--address"   ? &options.chip.address
                                                         : nullptr;
        if (!action && !chip_value && arg != "--port" && arg != "--io" && arg != "--sim" && arg != "--trace")
            return "unknown option '" + arg + "'";
        std::string value;
        if (!action || action->takes_file) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return "option " + arg + (action ? " needs a FILE" : " needs a value");
            value = argv[++i];
        }
        std::string problem;
        if (action) {
            if (options.action != tool_action::menu) return "choose one action of -r, -w, -v and --check";
            options.action = action->action;
            options.image_file = value;
        } else if (chip_value) {
            *chip_value = value;
        } else if (arg == "--port") {
            problem = choose(backend_kind::ppdev);
            options.port_device = value;
        } else if (arg == "--io") {
            problem = choose(backend_kind::io_ports);
            if (problem.empty() && !parse_io_base(value, options.io_base))
                problem = "bad --io address '" + value + "': give a multiple of 4 below 0x10000, such as 0x378";
        } else if (arg == "--sim") {
            problem = choose(backend_kind::simulated);
            options.chip_file = value;
        } else {
            if (!options.trace_file.empty()) problem = "--trace given twice";
            options.trace_file = value;
        }
        if (!problem.empty()) return problem;
    }
    if ((options.no_chip || options.no_cable) && options.backend != backend_kind::simulated)
        return std::string(options.no_chip ? "--no-chip" : "--no-cable") + " needs --sim FILE";
    if (options.no_chip && options.no_cable) return "choose one of --no-chip and --no-cable";
    if (options.no_verify && options.action != tool_action::write) return "--no-verify goes with --write";
    if (options.write_all && options.action != tool_action::write) return "--all goes with --write";
    if (asked_help) options.action = tool_action::help;
    else if (asked_version) options.action = tool_action::version;
    return {};
}
