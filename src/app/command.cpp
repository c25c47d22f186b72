#include "app/command.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/device_texts.h"
#include "chip/control_byte.h"
#include "eeprom/eeprom.h"
#include "eeprom/interruption.h"
#include "image/file_identity.h"
#include "image/image.h"
#include "image/image_files.h"
#include "image/output_target.h"
#include "text/printable_name.h"

namespace {

using bytes = std::vector<std::uint8_t>;

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// One line for an outcome that is not done; the exit status.
int failed(const device_outcome& outcome, action_phase phase, const action_sizes& sizes) {
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
            exit_interrupted(stderr, "", phase, outcome, sizes);
        default:
            std::fputs(outcome.port_message.c_str(), stderr);
            // Nothing reached a board: a script tells this from a failed board.
            if (outcome.result == device_result::port_refused) return EXIT_NO_PORT;
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

std::string shown(const std::string& name, const char* standard) { return name == "-" ? standard : printable_name(name); }

// Feeds a progress display from an operation, as one phase.
byte_watch phase_of(progress_display& progress, progress_phase phase) {
    return [&progress, phase](std::size_t done, std::size_t total) { progress.update(phase, done, total); };
}

int read_chip(eeprom_device& device, const std::string& name, progress_display& progress) {
    output_target target;
    std::string problem = output_target_open(name, target);
    if (!problem.empty()) {
        say(problem);
        return EXIT_FAILED;
    }
    // Spans the file's writing too, so that a signal never leaves a
    // temporary file behind or cuts a replacement short.
    interruption_scope noting;
    bytes image(device.target().size());
    action_phase phase = action_phase::line_test;
    device_outcome outcome = run_device_action(device, [&] {
        device_outcome step = lines_ready(device);
        if (step.result != device_result::done) return step;
        phase = action_phase::reading;
        step = read_image(device, image, phase_of(progress, progress_phase::reading));
        device_outcome idle = device.idle();
        return step.result == device_result::done ? idle : step;
    });
    progress.clear();
    if (outcome.result != device_result::done) return failed(outcome, phase, {image.size()});
    problem = output_target_write(target, image);
    std::string done = "Read " + std::to_string(image.size()) + " bytes into " + shown(name, "standard output");
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

std::string written_text(std::size_t written, std::size_t size) {
    if (written == size) return "Wrote " + std::to_string(size) + " bytes";
    return "Wrote " + std::to_string(written) + " of " + std::to_string(size) + " bytes (" +
           std::to_string(size - written) + " already held)";
}

// A write (of the bytes the chip does not hold, unless --all) with or without
// the read-back, or a verify alone.
int program_or_verify(eeprom_device& device, const tool_options& options, progress_display& progress) {
    const bool write = options.action == tool_action::write;
    const bool compare = !write || !options.no_verify;
    action_sizes sizes{device.target().size()};
    bytes image(sizes.part), chip(sizes.part);
    std::string problem = read_exact_image(options.image_file, image);
    if (!problem.empty()) {
        say(problem + ".");
        return EXIT_FAILED;
    }
    action_phase phase = action_phase::line_test;
    device_outcome outcome = run_device_action(device, [&] {
        device_outcome step = lines_ready(device);
        if (step.result == device_result::done && write && !options.write_all) {
            phase = action_phase::reading_held;
            step = read_image(device, chip, phase_of(progress, progress_phase::reading));
        }
        if (step.result == device_result::done && write) {
            phase = action_phase::writing;
            byte_watch writing = phase_of(progress, progress_phase::writing);
            step = write_image(device, image, options.write_all ? bytes{} : chip, [&](std::size_t done, std::size_t total) {
                sizes.to_write = total;
                writing(done, total);
            });
            sizes.written = static_cast<std::size_t>(step.bytes);
        }
        if (step.result != device_result::done || !compare || interruption_signal() != 0) return step;
        phase = write ? action_phase::reading_back : action_phase::comparing;
        step = read_image(device, chip, phase_of(progress, progress_phase::verifying));
        device_outcome idle = device.idle();
        return step.result == device_result::done ? idle : step;
    });
    progress.clear();
    if (outcome.result != device_result::done) return failed(outcome, phase, sizes);
    int differs = compare ? first_difference(image, chip) : -1;
    if (differs >= 0) return verify_failed(differs, image, chip);
    if (!write)
        say("Verified " + std::to_string(sizes.part) + " bytes: the chip matches " +
            shown(options.image_file, "standard input") + ".");
    else if (compare) say(written_text(sizes.written, sizes.part) + " and verified them.");
    else say(written_text(sizes.written, sizes.part) + "; not verified.");
    return EXIT_DONE;
}

std::string upper(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int check_board(eeprom_device& device) {
    bool answered = false;
    const chip_target& part = device.target();
    device_outcome outcome = run_device_action(device, [&] {
        say("Port: " + printable_name(device.name()) + " claimed.");
        int clocks = -1;
        device_outcome lines = device.test_lines(clocks);
        if (lines.result == device_result::port_lost) return lines;
        std::string cleared;
        if (clocks >= 0)
            cleared = "SDA was held low by a chip left mid-transfer; " + std::to_string(clocks) +
                      " clocks and a stop freed it. ";
        if (lines.result == device_result::done) say("Lines: " + cleared + "SDA follows the port.");
        else say(std::string("Lines: ") + line_fault_text(lines.result));
        if (lines.result == device_result::done) {
            device_outcome probe = device.probe();
            if (probe.result == device_result::port_lost) return probe;
            answered = probe.result == device_result::done;
            char control[8];
            std::snprintf(control, sizeof control, "0x%02x", write_byte_for(part, 0));
            say(answered ? std::string("EEPROM: acknowledged at ") + control + "."
                         : std::string("EEPROM: no acknowledge at ") + control +
                               ": check the socket and the chip in it, the board's power, and that the chip is a " +
                               upper(part.profile->name) +
                               (part.profile->style == addressing::device_code ? " (device code 1010)." : "."));
        }
        device_outcome idle = device.idle();
        if (idle.result != device_result::done) return idle;
        say("Lines: left idle, SDA and SCL high.");
        return lines;
    });
    action_sizes sizes{part.size()};
    if (outcome.result == device_result::interrupted) exit_interrupted(stderr, "", action_phase::checking, outcome, sizes);
    if (outcome.result != device_result::done && outcome.result != device_result::sda_not_driven &&
        outcome.result != device_result::sda_held_low)
        return failed(outcome, action_phase::checking, sizes);
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
