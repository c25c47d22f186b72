#include "app/command.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "app/device_texts.h"
#include "app/progress.h"
#include "chip/control_byte.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "image/image_files.h"

namespace {

using bytes = std::vector<std::uint8_t>;

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

const char* NOT_DRIVEN =
    "SDA does not follow the port: it reads high when driven low. Check that the board is on the cable and the "
    "port is in standard (SPP) mode.";
const char* HELD_LOW = "SDA stays low when released: the board may have no power, or SDA is held to ground.";

// Every action but the check begins by testing the lines, since a dead or
// stuck status bit would make every poll look acknowledged.
device_outcome lines_follow(eeprom_device& device) {
    if (!device.has_line_test()) return {};
    int clocks = -1;
    device_outcome outcome = device.test_lines(clocks);
    if (outcome.result != device_result::done) device.idle();
    return outcome;
}

// One line for an outcome that is not done; EXIT_FAILED.
int failed(const device_outcome& outcome, std::size_t size) {
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
            exit_interrupted(stderr, "", outcome, size);
        default:
            std::fputs(outcome.port_message.c_str(), stderr);
            break;
    }
    return EXIT_FAILED;
}

int verify_failed(int address, const bytes& expected, const bytes& read) {
    char line[80];
    auto at = static_cast<std::size_t>(address);
    std::snprintf(line, sizeof line, "Verify failed at address 0x%02x: expected %02x, read %02x.", address,
                  expected[at], read[at]);
    say(line);
    return EXIT_FAILED;
}

std::string shown(const std::string& name, const char* standard) { return name == "-" ? standard : name; }

// The body of a device action: the line test, then steps, then the lines
// left idle, unless a step failed or was cut short.
device_outcome after_line_test(eeprom_device& device, const std::function<device_outcome()>& steps) {
    device_outcome step = lines_follow(device);
    if (step.result != device_result::done) return step;
    step = steps();
    device_outcome idle = device.idle();
    return step.result == device_result::done ? idle : step;
}

// Feeds a progress display from an operation, as one phase.
byte_watch phase_of(progress_display& progress, progress_phase phase) {
    return [&progress, phase](std::size_t done, std::size_t total) { progress.update(phase, done, total); };
}

int read_chip(eeprom_device& device, const std::string& name, progress_display& progress) {
    bytes image(device.target().size());
    device_outcome outcome = run_device_action(device, [&] {
        return after_line_test(device, [&] { return read_image(device, image, phase_of(progress, progress_phase::reading)); });
    });
    progress.clear();
    if (outcome.result != device_result::done) return failed(outcome, image.size());
    std::string problem = replace_image_file(name, image);
    if (!problem.empty()) {
        say(problem + (name == "-" ? "." : "; it is left as it was."));
        return EXIT_FAILED;
    }
    say("Read " + std::to_string(image.size()) + " bytes into " + shown(name, "standard output") + ".");
    return EXIT_DONE;
}

std::string written_text(int written, std::size_t size) {
    if (static_cast<std::size_t>(written) == size) return "Wrote " + std::to_string(size) + " bytes";
    return "Wrote " + std::to_string(written) + " of " + std::to_string(size) + " bytes (" +
           std::to_string(size - static_cast<std::size_t>(written)) + " already held)";
}

// A write (differential unless every byte is asked for) with or without the
// read-back, or a verify alone.
int program_or_verify(eeprom_device& device, const tool_options& options, progress_display& progress) {
    const std::size_t size = device.target().size();
    const bool write = options.action == tool_action::write;
    const bool compare = !write || !options.no_verify;
    bytes image(size), chip(size);
    std::string problem = read_exact_image(options.image_file, image);
    if (!problem.empty()) {
        say(problem + ".");
        return EXIT_FAILED;
    }
    int written = 0;
    device_outcome outcome = run_device_action(device, [&] {
        return after_line_test(device, [&] {
            device_outcome step;
            if (write && !options.write_all) step = read_image(device, chip, phase_of(progress, progress_phase::reading));
            if (step.result != device_result::done) return step;
            if (write) {
                step = write_image(device, image, options.write_all ? bytes{} : chip,
                                   phase_of(progress, progress_phase::writing));
                written = step.bytes;
            }
            if (step.result != device_result::done || !compare) return step;
            return read_image(device, chip, phase_of(progress, progress_phase::verifying));
        });
    });
    progress.clear();
    if (outcome.result != device_result::done) return failed(outcome, size);
    int differs = compare ? first_difference(image, chip) : -1;
    if (differs >= 0) return verify_failed(differs, image, chip);
    if (!write) say("Verified " + std::to_string(size) + " bytes: the chip matches " + shown(options.image_file, "standard input") + ".");
    else if (compare) say(written_text(written, size) + " and verified them.");
    else say(written_text(written, size) + "; not verified.");
    return EXIT_DONE;
}

std::string upper(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int check_board(eeprom_device& device) {
    bool answered = false;
    device_outcome outcome = run_device_action(device, [&] {
        say("Port: " + device.name() + " claimed.");
        int clocks = -1;
        device_outcome lines = device.test_lines(clocks);
        if (lines.result == device_result::port_lost) return lines;
        std::string cleared;
        if (clocks >= 0)
            cleared = "SDA was held low by a chip left mid-transfer; " + std::to_string(clocks) +
                      " clocks and a stop freed it. ";
        if (lines.result == device_result::done) say("Lines: " + cleared + "SDA follows the port.");
        else say(std::string("Lines: ") + (lines.result == device_result::sda_not_driven ? NOT_DRIVEN : HELD_LOW));
        if (lines.result == device_result::done) {
            device_outcome probe = device.probe();
            if (probe.result == device_result::port_lost) return probe;
            answered = probe.result == device_result::done;
            char control[8];
            std::snprintf(control, sizeof control, "0x%02x", write_byte_for(device.target(), 0));
            say(answered ? std::string("EEPROM: acknowledged at ") + control + "."
                         : std::string("EEPROM: no acknowledge at ") + control +
                               ": check the socket and the chip in it, the board's power, and that the chip is a " +
                               upper(device.target().profile->name) +
                               (device.target().profile->style == addressing::device_code ? " (device code 1010)." : "."));
        }
        device_outcome idle = device.idle();
        if (idle.result != device_result::done) return idle;
        say("Lines: left idle, SDA and SCL high.");
        return lines;
    });
    if (outcome.result == device_result::interrupted) exit_interrupted(stderr, "", outcome, device.target().size());
    if (outcome.result == device_result::port_refused || outcome.result == device_result::port_lost)
        std::fputs(outcome.port_message.c_str(), stderr);
    return outcome.result == device_result::done && answered ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

int run_command(const tool_options& options, eeprom_device& device, const progress_clock& clock) {
    progress_display progress = clock ? progress_display(clock) : progress_display();
    switch (options.action) {
        case tool_action::read:
            return read_chip(device, options.image_file, progress);
        case tool_action::write:
        case tool_action::verify:
            return program_or_verify(device, options, progress);
        case tool_action::check:
            return check_board(device);
        default:
            return EXIT_USAGE;
    }
}
