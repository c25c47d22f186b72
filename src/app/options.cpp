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

std::string parse_options(int argc, char** argv, tool_options& options) {
    bool backend_chosen = false;
    auto choose = [&](backend_kind kind) -> std::string {
        if (backend_chosen) return "choose only one of --port, --io and --sim";
        backend_chosen = true;
        options.backend = kind;
        return {};
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--no-chip") {
            options.no_chip = true;
            continue;
        }
        if (arg != "--port" && arg != "--io" && arg != "--sim" && arg != "--trace") return "unknown option '" + arg + "'";
        if (i + 1 >= argc || argv[i + 1][0] == '\0') return "option " + arg + " needs a value";
        std::string value = argv[++i];
        std::string problem;
        if (arg == "--port") {
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
    if (options.no_chip && options.backend != backend_kind::simulated) return "--no-chip needs --sim FILE";
    return {};
}
