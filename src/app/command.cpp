#include "app/command.h"

#include <cstdio>
#include <string>

#include "app/device_texts.h"
#include "bus/bus.h"
#include "bus/port.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "image/image_files.h"

namespace {

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

const char* NOT_DRIVEN =
    "SDA does not follow the port: it reads high when driven low. Check that the board is on the cable and the "
    "port is in standard (SPP) mode.";
const char* HELD_LOW = "SDA stays low when released: the board may have no power, or SDA is held to ground.";

// Every action but the check begins by testing the lines, since a dead or
// stuck status bit would make every poll look acknowledged.
device_outcome lines_follow() {
    device_outcome outcome;
    outcome.result = check_lines().result;
    if (outcome.result != device_result::done) bus_idle();
    return outcome;
}

// One line for an outcome that is not done; EXIT_FAILED.
int failed(const device_outcome& outcome) {
    switch (outcome.result) {
        case device_result::no_acknowledge: {
            char line[120];
            std::snprintf(line, sizeof line,
                          "No acknowledge from the EEPROM at address 0x%02x: check the board, its power and the cable.",
                          outcome.address);
            say(line);
            break;
        }
        case device_result::sda_not_driven:
            say(NOT_DRIVEN);
            break;
        case device_result::sda_held_low:
            say(HELD_LOW);
            break;
        case device_result::interrupted:
            exit_interrupted(stderr, "", outcome);
        default:
            std::fputs(outcome.port_message.c_str(), stderr);
            break;
    }
    return EXIT_FAILED;
}

int verify_failed(int address, const std::uint8_t* expected, const std::uint8_t* read) {
    char line[80];
    std::snprintf(line, sizeof line, "Verify failed at address 0x%02x: expected %02x, read %02x.", address,
                  expected[address], read[address]);
    say(line);
    return EXIT_FAILED;
}

std::string shown(const std::string& name, const char* standard) { return name == "-" ? standard : name; }

int read_chip(const std::string& name) {
    std::uint8_t image[IMAGE_SIZE];
    device_outcome outcome = run_device_action([&] {
        device_outcome step = lines_follow();
        if (step.result != device_result::done) return step;
        step = read_whole_device(image);
        bus_idle();
        return step;
    });
    if (outcome.result != device_result::done) return failed(outcome);
    std::string problem = replace_image_file(name, image);
    if (!problem.empty()) {
        say(problem + (name == "-" ? "." : "; it is left as it was."));
        return EXIT_FAILED;
    }
    say("Read 128 bytes into " + shown(name, "standard output") + ".");
    return EXIT_DONE;
}

// Write with or without the read-back, or a verify alone.
int program_or_verify(const std::string& name, bool write, bool compare) {
    std::uint8_t image[IMAGE_SIZE], chip[IMAGE_SIZE];
    std::string problem = read_exact_image(name, image);
    if (!problem.empty()) {
        say(problem + ".");
        return EXIT_FAILED;
    }
    device_outcome outcome = run_device_action([&] {
        device_outcome step = lines_follow();
        if (step.result == device_result::done && write) step = write_whole_device(image);
        if (step.result != device_result::done || !compare) return step;
        step = read_whole_device(chip);
        bus_idle();
        return step;
    });
    if (outcome.result != device_result::done) return failed(outcome);
    int differs = compare ? first_difference(image, chip) : -1;
    if (differs >= 0) return verify_failed(differs, image, chip);
    if (!write) say("Verified 128 bytes: the chip matches " + shown(name, "standard input") + ".");
    else if (compare) say("Wrote 128 bytes and verified them.");
    else say("Wrote 128 bytes; not verified.");
    return EXIT_DONE;
}

int check_board() {
    bool answered = false;
    device_outcome outcome = run_device_action([&] {
        say("Port: " + port_current()->name() + " claimed.");
        line_check lines = check_lines();
        std::string cleared;
        if (lines.clearing_clocks >= 0)
            cleared = "SDA was held low by a chip left mid-transfer; " + std::to_string(lines.clearing_clocks) +
                      " clocks and a stop freed it. ";
        if (lines.result == device_result::done) say("Lines: " + cleared + "SDA follows the port.");
        else say(std::string("Lines: ") + (lines.result == device_result::sda_not_driven ? NOT_DRIVEN : HELD_LOW));
        if (lines.result == device_result::done) {
            answered = chip_answers();
            say(answered ? "EEPROM: acknowledged at 0xa0."
                         : "EEPROM: no acknowledge at 0xa0: check the socket and the chip in it, the board's power, "
                           "and that the chip is a 24C01 (device code 1010).");
        }
        bus_idle();
        say("Lines: left idle, SDA and SCL high.");
        device_outcome step;
        step.result = lines.result;
        return step;
    });
    if (outcome.result == device_result::interrupted) exit_interrupted(stderr, "", outcome);
    if (outcome.result == device_result::port_refused || outcome.result == device_result::port_lost)
        std::fputs(outcome.port_message.c_str(), stderr);
    return outcome.result == device_result::done && answered ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

int run_command(const tool_options& options) {
    switch (options.action) {
        case tool_action::read:
            return read_chip(options.image_file);
        case tool_action::write:
            return program_or_verify(options.image_file, true, !options.no_verify);
        case tool_action::verify:
            return program_or_verify(options.image_file, false, true);
        case tool_action::check:
            return check_board();
        default:
            return EXIT_USAGE;
    }
}
