// Command-line options: which port back end to use, and an optional trace.
#pragma once

#include <string>

enum class backend_kind { ppdev, io_ports, simulated };

struct tool_options {
    backend_kind backend = backend_kind::ppdev;
    std::string port_device = "/dev/parport0";
    unsigned io_base = 0;
    std::string chip_file;
    bool no_chip = false;
    std::string trace_file;
    bool help = false;
};

inline constexpr const char* USAGE =
    "usage: eeprom24c01 [--port DEVICE | --io ADDR | --sim FILE [--no-chip]] [--trace FILE] [--help]\n";

// Parses argv. Returns "" or what was wrong with it.
std::string parse_options(int argc, char** argv, tool_options& options);
// ADDR: hexadecimal with 0x or decimal, a multiple of 4, below 0x10000.
bool parse_io_base(const std::string& text, unsigned& base);
