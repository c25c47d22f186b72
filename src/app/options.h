// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options: which port back end to use, an optional trace, and
// at most one action to run instead of the interactive menu.
#pragma once

#include <cstdint>
#include <string>

#include "app/chip_choice.h"
#include "app/production_options.h"

namespace eeprom24c01 {

enum class backend_kind { ppdev, io_ports, simulated, i2c_dev, ch341 };
enum class tool_action { menu, read, write, verify, check, erase, blank_check, version, help };

struct tool_options {
    backend_kind backend = backend_kind::ppdev;
    std::string port_device = "/dev/parport0";
    unsigned io_base = 0;
    std::string i2c_device;  // --i2c: an i2c-dev adapter, such as /dev/i2c-1
    bool force = false;      // --force: an address a driver owns, a write on a PC's SMBus
    std::string ch341_device;  // --ch341=BUS:DEVICE, as lsusb prints them; "" for the only one plugged in
    std::uint32_t clock_hz = 0;  // --clock, in hertz; 0 when not given
    std::string chip_file;
    bool no_chip = false;
    bool no_cable = false;
    bool wp_high = false;    // --wp-high: the simulated chip's write-protect pin held high
    std::string trace_file;  // "-" is standard output
    tool_action action = tool_action::menu;
    std::string image_file;  // for read, write and verify; "-" is standard input or output
    bool no_verify = false;
    bool write_all = false;  // --all: write every byte, not only those that differ
    chip_request chip;       // --chip ("list": print the table), --page-size, --address
    production_request production;  // --format, --serial, --serial-file, --log, --lock-wait
};

inline constexpr const char* USAGE =
    "usage: eeprom24c01 [--port DEVICE | --io ADDR | --sim FILE [--no-chip | --no-cable] [--wp-high]] [--trace FILE]\n"
    "                   [--i2c DEVICE [--force] | --ch341[=BUS:DEVICE]] [--chip NAME] [--page-size N]\n"
    "                   [--address ADDR] [--clock FREQ] [--log FILE] [--lock-wait SECONDS] [ACTION]\n"
    "      --port DEVICE    use the ppdev device DEVICE (default /dev/parport0)\n"
    "      --io ADDR        use direct port I/O at base ADDR, such as 0x378 (needs root)\n"
    "      --sim FILE       use the simulated board; FILE holds its chip (created blank if missing)\n"
    "      --no-chip        with --sim: the board with its socket empty\n"
    "      --no-cable       with --sim: a port with nothing plugged in\n"
    "      --wp-high        with --sim: the chip's write-protect pin (WP) held high\n"
    "      --trace FILE     write a VCD waveform of SCL and SDA to FILE (\"-\": standard output)\n"
    "      --i2c DEVICE     use the Linux I2C adapter DEVICE, such as /dev/i2c-1 (no --trace)\n"
    "      --force          with --i2c: use an address a kernel driver owns, and write (or read a\n"
    "                       two-byte-address part on an SMBus-only adapter) at 0x50 to 0x57 on a PC's SMBus\n"
    "      --ch341[=BUS:DEVICE]  use the CH341A USB programmer: the only one plugged in, or the one\n"
    "                       at BUS:DEVICE as lsusb prints them (no --trace)\n"
    "      --chip NAME      the part: 24c01 (default) to 24c512, or an exact part; \"list\" shows them\n"
    "      --page-size N    bytes per write transaction: a power of two, at most the largest page of\n"
    "                       any part of the chip's size (1 is always safe)\n"
    "      --address ADDR   the part's bus address, 0x50 to 0x57 (its chip-select pins)\n"
    "      --clock FREQ     run the bus at FREQ (100k, 400k, 1M or hertz), at most the part's rating\n"
    "                       (--chip list): on the port instead of the old 5 us bit delays, on --ch341\n"
    "                       the fastest of its 20, 100, 400 and 750 kHz not above it (default 100k);\n"
    "                       not with --i2c\n"
    "Actions:\n"
    "  -r, --read FILE      read the whole chip into FILE (\"-\": standard output)\n"
    "      --format NAME    FILE's format with -r, -w or -v: raw, ihex, srec, ti-txt, hexdump (-r only)\n"
    "                       or another text format to read; else a FILE ending in .hex or .ihex is ihex,\n"
    "                       in .srec, .s19, .s28 or .s37 srec, in .bin, .raw, .dat or .rom (or, for -r,\n"
    "                       any other) raw\n"
    "      --format list    print the table of formats (alone)\n"
    "  -w, --write FILE     write the bytes of FILE the chip does not hold, then read it back and compare\n"
    "                       (\"-\": standard input); FILE is a raw image of the chip's size or a load\n"
    "                       file (Intel HEX, S-records, TI-TXT, ...), whose uncovered bytes stay as they are;\n"
    "                       by another name, a format with checksums that reads all of it, else raw\n"
    "      --serial ADDRESS:LENGTH[:FORMAT]  with --write: stamp the number in --serial-file there, as\n"
    "                       FORMAT be (default), le or ascii; a failed board gives its number back\n"
    "      --serial-file FILE  the file holding the next serial number and those given back\n"
    "      --all            with --write: write every byte\n"
    "  -n, --no-verify      with --write: skip the comparison\n"
    "  -v, --verify FILE    compare the chip with FILE (\"-\": standard input)\n"
    "      --check          check the port, the cable and board, and the chip\n"
    "      --erase          set every byte to ff (writing those that differ), then verify\n"
    "      --blank-check    succeed only if every byte reads ff\n"
    "      --log FILE       with an action: append a CSV line about it to FILE\n"
    "      --lock-wait SECONDS  wait at most this long for another station's hold on the serial\n"
    "                       file or the log (default 300)\n"
    "  -V, --version        print the name and version\n"
    "  -h, --help           print this help\n"
    "Without an ACTION the interactive menu runs.\n"
    "Exit status: 0 done, 1 failed, 2 usage error or unusable chip file, 3 port, adapter or\n"
    "programmer cannot be used, 129 SIGHUP, 130 SIGINT (Ctrl-C), 131 SIGQUIT, 143 SIGTERM during\n"
    "a device action, 141 SIGPIPE (standard output closed).\n";

// What follows the one line of a usage error, instead of the whole usage.
inline constexpr const char* USAGE_HINT = "Try 'eeprom24c01 --help' for the options.\n";

// Parses argv with getopt_long. Returns "" or what was wrong with it; -h
// answers whatever else is on the line.
std::string parse_options(int argc, char** argv, tool_options& options);
// ADDR: hexadecimal with 0x or decimal, a multiple of 4, below 0x10000.
bool parse_io_base(const std::string& text, unsigned& base);

}  // namespace eeprom24c01
