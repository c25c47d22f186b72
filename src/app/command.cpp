#include "app/command.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/device_texts.h"
#include "bus/bus.h"
#include "bus/port.h"
#include "eeprom/eeprom.h"
#include "eeprom/interruption.h"
#include "image/file_identity.h"
#include "image/image.h"
#include "image/image_files.h"
#include "image/output_target.h"
#include "text/printable_name.h"

namespace {

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// One line for an outcome that is not done; the exit status.
int failed(const device_outcome& outcome, action_phase phase) {
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
        case device_result::sda_held_low:
            say(line_fault_text(outcome.result));
            break;
        case device_result::interrupted:
            exit_interrupted(stderr, "", phase, outcome);
        default:
            std::fputs(outcome.port_message.c_str(), stderr);
            // Nothing reached a board: a script tells this from a failed board.
            if (outcome.result == device_result::port_refused) return EXIT_NO_PORT;
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

std::string shown(const std::string& name, const char* standard) { return name == "-" ? standard : printable_name(name); }

int read_chip(const std::string& name) {
    output_target target;
    std::string problem = output_target_open(name, target);
    if (!problem.empty()) {
        say(problem);
        return EXIT_FAILED;
    }
    // Spans the file's writing too, so that a signal never leaves a
    // temporary file behind or cuts a replacement short.
    interruption_scope noting;
    std::uint8_t image[IMAGE_SIZE];
    action_phase phase = action_phase::line_test;
    device_outcome outcome = run_device_action([&] {
        device_outcome step = lines_ready();
        if (step.result != device_result::done) return step;
        phase = action_phase::reading;
        step = read_whole_device(image);
        bus_idle();
        return step;
    });
    if (outcome.result != device_result::done) return failed(outcome, phase);
    problem = output_target_write(target, image);
    std::string done = "Read 128 bytes into " + shown(name, "standard output");
    if (int signal = interruption_signal()) {
        say(problem.empty() ? done + "; then interrupted." : problem);
        std::fflush(nullptr);
        std::exit(128 + signal);
    }
    if (!problem.empty()) {
        say(problem);
        return EXIT_FAILED;
    }
    say(done + ".");
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
    action_phase phase = action_phase::line_test;
    device_outcome outcome = run_device_action([&] {
        device_outcome step = lines_ready();
        if (step.result == device_result::done && write) {
            phase = action_phase::writing;
            step = write_whole_device(image);
        }
        if (step.result != device_result::done || !compare || interruption_signal() != 0) return step;
        phase = write ? action_phase::reading_back : action_phase::comparing;
        step = read_whole_device(chip);
        bus_idle();
        return step;
    });
    if (outcome.result != device_result::done) return failed(outcome, phase);
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
        say("Port: " + printable_name(port_current()->name()) + " claimed.");
        line_check lines = check_lines();
        std::string cleared;
        if (lines.clearing_clocks >= 0)
            cleared = "SDA was held low by a chip left mid-transfer; " + std::to_string(lines.clearing_clocks) +
                      " clocks and a stop freed it. ";
        if (lines.result == device_result::done) say("Lines: " + cleared + "SDA follows the port.");
        else say(std::string("Lines: ") + line_fault_text(lines.result));
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
    if (outcome.result == device_result::interrupted) exit_interrupted(stderr, "", action_phase::checking, outcome);
    if (outcome.result != device_result::done && outcome.result != device_result::sda_not_driven &&
        outcome.result != device_result::sda_held_low)
        return failed(outcome, action_phase::checking);
    return outcome.result == device_result::done && answered ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

std::string overlapping_files(const tool_options& options) {
    struct named {
        const char* option;
        std::string identity;
    };
    std::vector<named> files;
    auto add = [&](const char* option, const std::string& name, bool input) {
        if (!name.empty()) files.push_back({option, file_identity(name, input)});
    };
    add("--trace", options.trace_file, false);
    add("--sim", options.chip_file, false);
    if (options.action == tool_action::read) add("--read", options.image_file, false);
    if (options.action == tool_action::write) add("--write", options.image_file, true);
    if (options.action == tool_action::verify) add("--verify", options.image_file, true);
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = i + 1; j < files.size(); ++j)
            if (!files[i].identity.empty() && files[i].identity == files[j].identity)
                return std::string(files[i].option) + " and " + files[j].option +
                       " name the same file: give each its own";
    return {};
}

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
