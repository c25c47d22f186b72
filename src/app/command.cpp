// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command.h"

#include <signal.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/action_record.h"
#include "app/actions.h"
#include "app/device_texts.h"
#include "app/run_ending.h"
#include "chip/control_byte.h"
#include "eeprom/eeprom.h"
#include "util/interruption.h"
#include "image/file_identity.h"
#include "image/image.h"
#include "text/address_text.h"
#include "image/digests.h"
#include "image/image_report.h"
#include "image/load_file.h"
#include "image/output_target.h"
#include "production/serial_file.h"
#include "text/printable_name.h"

namespace eeprom24c01 {

// One command-line run as its actions see it.
struct run_state {
    const action_row& row;
    const tool_options& options;
    eeprom_device& device;
    const command_run& run;
    run_ending& ending;
    progress_display progress;

    action_record& record() { return ending.record; }
};

namespace {

using bytes = std::vector<std::uint8_t>;

void say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// The one line an outcome that is not done gives, with its newline.
std::string failure_text(const eeprom_device& device, const device_outcome& outcome) {
    switch (outcome.result) {
        case device_result::no_acknowledge:
            return no_acknowledge_text(device, outcome.address, offset_shown::hexadecimal);
        case device_result::byte_refused:
            return refused_byte_text(device, outcome);
        case device_result::sda_not_driven:
        case device_result::sda_held_low:
            return std::string(line_fault_text(outcome.result)) + "\n";
        default:
            return outcome.port_message;
    }
}


// Says the line for an outcome that is not done; the exit status: 128 + the
// signal for one that a signal ended.
int failed(run_state& s, const device_outcome& outcome, action_phase phase, const action_sizes& sizes) {
    if (outcome.result == device_result::interrupted) {
        std::fputs(interrupted_text(phase, outcome, sizes).c_str(), stderr);
        s.record().failed("interrupted");
        return 128 + outcome.signal;
    }
    std::string text = failure_text(s.device, outcome);
    std::fputs(text.c_str(), stderr);
    s.record().failed(text.substr(0, text.find('\n')));
    // Nothing reached a board: a script tells this from a failed board.
    return outcome.result == device_result::port_refused ? EXIT_NO_PORT : EXIT_FAILED;
}

// Prints the line, with its newline, of a layer below, which becomes the
// log's outcome; EXIT_FAILED.
int refused(run_state& s, const std::string& line) {
    std::fputs(line.c_str(), stderr);
    s.record().failed(line);
    return EXIT_FAILED;
}

std::string shown(const std::string& name, const char* standard) { return name == "-" ? standard : printable_name(name); }

// Feeds a progress display from an operation, as one phase.
byte_watch phase_of(progress_display& progress, progress_phase phase) {
    return [&progress, phase](std::size_t done, std::size_t total) { progress.update(phase, done, total); };
}

// The line test, then one read of the whole part into image.
device_outcome read_whole_chip(run_state& s, bytes& image, action_phase& phase) {
    device_outcome outcome = run_device_action(s.device, [&] {
        phase = action_phase::line_test;
        device_outcome step = lines_ready(s.device);
        if (step.result != device_result::done) return step;
        phase = s.row.read_told;
        return read_image_then_idle(s.device, image, phase_of(s.progress, s.row.read_shown));
    });
    s.progress.clear();
    return outcome;
}

int read_chip(run_state& s) {
    const std::string& name = s.options.image_file;
    s.record().entry.image_file = name;
    output_target target;
    std::string problem = output_target_open(name, target);
    if (!problem.empty()) return refused(s, problem);
    bytes image(s.device.target().size());
    action_phase phase = action_phase::starting;
    device_outcome outcome = read_whole_chip(s, image, phase);
    // A signal after the last byte came in leaves the read whole: it is kept
    // like one that a signal met while it was being written out.
    if (!read_complete(outcome, image.size())) return failed(s, outcome, phase, {image.size()});
    rendered_image file = render_image(image, s.run.production.format);
    problem = file.error ? output_target_failure(target, file.error) : output_target_write(target, file.bytes);
    std::string done = "Read " + std::to_string(image.size()) + " bytes into " + shown(name, "standard output");
    if (int signal = interruption_signal()) {
        // A reader of standard output that went away is told nothing, as
        // other tools tell it nothing.
        if (signal == SIGPIPE && name == "-") {
        } else if (problem.empty()) {
            say(done + "; then interrupted.");
        } else {
            std::fputs(problem.c_str(), stderr);
        }
        s.record().failed("interrupted");
        return 128 + signal;
    }
    if (!problem.empty()) return refused(s, problem);
    s.record().entry.image_sha256 = sha256_hex(file.bytes);
    say(done + ".");
    s.ending.closing.push_back(checksum_line(image));
    return EXIT_DONE;
}

int blank_check(run_state& s) {
    bytes image(s.device.target().size());
    action_phase phase = action_phase::starting;
    device_outcome outcome = read_whole_chip(s, image, phase);
    if (outcome.result != device_result::done) return failed(s, outcome, phase, {image.size()});
    std::string not_blank = blank_check_failure(image);
    if (!not_blank.empty()) return refused(s, not_blank);
    say("Blank: all " + std::to_string(image.size()) + " bytes read ff.");
    return EXIT_DONE;
}

// "Wrote 4 of 128 bytes (124 already held)": written bytes sent for a file
// that covers covered bytes, changed of which differed from the chip. Bytes
// sent beyond those that changed (the chip's own bytes between two changes
// of a page, or every byte with --all) make the count say so.
std::string written_text(std::size_t written, std::size_t covered, std::size_t changed) {
    const std::string held = covered == changed ? "" : " (" + std::to_string(covered - changed) + " already held)";
    if (written == changed && written == covered) return "Wrote " + std::to_string(written) + (written == 1 ? " byte" : " bytes");
    if (written == changed) return "Wrote " + std::to_string(written) + " of " + std::to_string(covered) + " bytes" + held;
    return "Wrote " + std::to_string(written) + " bytes for the " + std::to_string(covered) + " bytes the file covers" + held;
}

std::string erased_text(std::size_t written, std::size_t size, std::size_t changed) {
    if (written == size) return "Erased " + std::to_string(size) + " bytes";
    return "Erased " + std::to_string(size) + " bytes (wrote " + std::to_string(written) + "; " +
           std::to_string(size - changed) + " were ff already)";
}

// What -w, -v or --erase compares the chip with: a load file (already read
// into input, or read now), or every byte ff. "" or the line refusing the
// file.
std::string wanted_image(run_state& s, sparse_image& wanted) {
    if (!s.row.loads_image) {  // an erase
        for (std::uint32_t a = 0; a < wanted.size(); ++a) wanted.set(a, 0xFF);
        return {};
    }
    loaded_file loaded = s.run.input ? std::move(*s.run.input)
                                     : load_file(s.options.image_file, wanted.size(), s.run.production.read_format);
    s.record().entry.image_file = s.options.image_file;
    if (loaded.read_whole) s.record().entry.image_sha256 = sha256_hex(loaded.source);
    if (!loaded.error.empty()) return loaded.error;
    wanted = std::move(loaded.image);
    return {};
}

// Takes a serial number from the serial file, under its lock for that
// moment only, and stamps it into wanted: EXIT_DONE, or the status of a
// refusal. The end of the run settles the number, or gives it back.
int take_serial(run_state& s, sparse_image& wanted) {
    const std::string& file = s.options.production.serial_file;
    const serial_layout& layout = s.run.production.serial;
    s.ending.serial_file = file;
    std::uint64_t value = 0;
    lock_wait wait = station_wait(s.ending.lock_wait, "the serial file " + printable_name(file));
    wait.give_up = [] { return interruption_signal() != 0; };
    std::string problem = take_serial_number(file, wait, value);
    if (problem.empty()) {
        s.ending.serial = value;
        s.record().entry.serial = std::to_string(value);
    }
    if (int signal = interruption_signal()) {
        say(problem.empty() ? "Interrupted before the board was touched; nothing was written."
                            : "Interrupted while waiting for the serial file " + printable_name(file) +
                                  "; nothing was written.");
        s.record().failed("interrupted");
        return 128 + signal;
    }
    if (!problem.empty()) return refused(s, problem);
    if (std::string too_big = serial_fit_failure(layout, value); !too_big.empty()) return refused(s, too_big);
    stamp_serial(layout, value, wanted);
    s.ending.serial_place = address_text(layout.address, wanted.size());
    return EXIT_DONE;
}

// A write (of the covered bytes the chip does not hold, unless --all) with or
// without the read-back, an erase, or a verify alone. A serial number is
// taken before the port is touched.
int program_or_verify(run_state& s) {
    const tool_options& options = s.options;
    eeprom_device& device = s.device;
    const bool write = s.row.writes_chip;
    const bool erase = write && !s.row.loads_image;
    const bool compare = !write || !options.no_verify;
    action_sizes sizes{device.target().size()};
    sparse_image wanted(static_cast<std::uint32_t>(sizes.part));
    if (std::string problem = wanted_image(s, wanted); !problem.empty()) return refused(s, problem);
    if (s.run.production.stamps_serial)
        if (int status = take_serial(s, wanted); status != EXIT_DONE) return status;
    const std::size_t covered = wanted.covered_count();
    // What the chip held before a write, then what it holds at the end.
    bytes chip(sizes.part);
    // The covered bytes that had to change; all of them when what the chip
    // held was not read.
    std::size_t changed = covered;
    bytes held;  // what the chip held before a write, where it was read
    // What the chip must hold after a write: the file's bytes over the
    // chip's own. The read-back compares all of them, so that a page that
    // wrapped round over bytes the file does not cover is found too.
    sparse_image expected = wanted;
    action_phase phase = action_phase::starting;
    device_outcome outcome = run_device_action(device, [&] {
        phase = action_phase::line_test;
        device_outcome step = write ? writes_allowed(device) : device_outcome{};
        if (step.result == device_result::done) step = lines_ready(device);
        // A file that covers part of the chip keeps the rest as it is, so
        // what the chip holds is read first even with --all.
        if (step.result == device_result::done && write && (!options.write_all || covered < sizes.part)) {
            phase = action_phase::reading_held;
            step = read_image(device, chip, phase_of(s.progress, progress_phase::reading));
            changed = 0;
            for (std::uint32_t a = 0; a < wanted.size(); ++a) changed += wanted.covered[a] && wanted.bytes[a] != chip[a];
            held = chip;
        }
        if (step.result == device_result::done && write) {
            phase = action_phase::writing;
            byte_watch writing = phase_of(s.progress, progress_phase::writing);
            bytes image = wanted.over(chip);
            for (std::uint32_t a = 0; a < expected.size(); ++a) expected.set(a, image[a]);
            step = write_image(device, image, options.write_all ? bytes{} : chip, [&](std::size_t done, std::size_t total) {
                sizes.to_write = total;
                writing(done, total);
            });
            sizes.written = static_cast<std::size_t>(step.bytes);
            s.record().entry.bytes_written = step.bytes;
        }
        if (step.result != device_result::done || !compare || interruption_signal() != 0) return step;
        phase = s.row.read_told;
        return read_image_then_idle(device, chip, phase_of(s.progress, s.row.read_shown));
    });
    s.progress.clear();
    if (outcome.result != device_result::done) return failed(s, outcome, phase, sizes);
    std::string differences = compare ? difference_list(write ? expected : wanted, chip) : std::string();
    // A chip that answered at once after every write took no write cycle and
    // kept none of it: its write-protect pin is the likely cause, which the
    // list would not say. Without a read-back that answer is all there is.
    const bool kept_none = compare ? !differences.empty() && (held.empty() || chip == held) : true;
    if (write && device.writes_took_no_cycle() && kept_none) {
        say(WRITE_PROTECTED_TEXT);
        s.record().failed(WRITE_PROTECTED_TEXT);
        s.record().entry.bytes_written = 0;  // sent, but none stored
        return EXIT_FAILED;
    }
    if (!differences.empty()) {
        std::fputs(differences.c_str(), stderr);
        std::string lines = differences.substr(0, differences.size() - 1);
        s.record().failed(lines.substr(lines.rfind('\n') + 1));  // the count
        return EXIT_FAILED;
    }
    const std::string done = erase ? erased_text(sizes.written, sizes.part, changed)
                                   : written_text(sizes.written, covered, changed);
    if (!write)
        say("Verified " + std::to_string(covered) + " bytes: the chip matches " +
            shown(options.image_file, "standard input") + ".");
    else if (compare) say(done + " and verified them.");
    else say(done + "; not verified.");
    if (compare && !erase) s.ending.closing.push_back(checksum_line(chip));
    return EXIT_DONE;
}

// "an AT24C01", "a 24C01": the article as the part's name is spoken, a
// letter at a time.
std::string with_article(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return (std::string_view("AEFHILMNORSX").find(s.front()) != std::string_view::npos ? "an " : "a ") + s;
}

// Away from 0x50 the chip answers only if its chip-select pins say so: "; and
// that its chip-select pins A2 A1 A0 are tied to 1 0 1 (0x55)".
std::string chip_select_advice(const chip_target& part) {
    if (part.bus_address == BASE_BUS_ADDRESS) return {};
    std::string pins, levels;
    for (int pin = 2; pin >= static_cast<int>(part.profile->block_bits); --pin) {
        pins += " A" + std::to_string(pin);
        levels += (part.bus_address >> pin & 1) ? " 1" : " 0";
    }
    char address[8];
    std::snprintf(address, sizeof address, "0x%02x", part.bus_address);
    return ", and that its chip-select pins" + pins + " are tied to" + levels + " (" + address + ")";
}

std::string bus_address_text(std::uint8_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", address);
    return text;
}

// "0x50 to 0x57" for a run of addresses, "0x50, 0x52" otherwise.
std::string address_list(const std::vector<std::uint8_t>& addresses) {
    if (addresses.size() > 1 && addresses.back() - addresses.front() + 1u == addresses.size())
        return bus_address_text(addresses.front()) + " to " + bus_address_text(addresses.back());
    std::string list;
    for (std::uint8_t a : addresses) list += (list.empty() ? "" : ", ") + bus_address_text(a);
    return list;
}

// What answers from 0x50 to 0x57, against the addresses the part named
// takes: one, or one per block of 256 bytes.
std::string bus_line(const chip_target& part, const std::vector<std::uint8_t>& answering) {
    std::vector<std::uint8_t> expected;
    const unsigned blocks = part.profile->style == addressing::word_in_first_byte ? 8 : 1u << part.profile->block_bits;
    const unsigned first = blocks == 8 ? BASE_BUS_ADDRESS : part.bus_address;
    for (unsigned b = 0; b < blocks; ++b) expected.push_back(static_cast<std::uint8_t>(first + b));
    std::string name(part.profile->name);
    std::string article = with_article(name).substr(0, with_article(name).find(' '));
    if (answering.empty()) return "Bus: nothing answers at 0x50 to 0x57.";
    if (answering == expected)
        return "Bus: " + address_list(answering) + (answering.size() == 1 ? " answers" : " answer") + ", as " + article +
               " " + name + " should.";
    const std::size_t n = answering.size();
    const bool aligned = address_list(answering).find(" to ") != std::string::npos && answering.front() % n == 0;
    const char* guess = n == 1                ? "one chip"
                        : aligned && n == 8 ? "a 24C16, or several chips"
                        : aligned && n == 4 ? "a 24C08, or several chips"
                        : aligned && n == 2 ? "a 24C04, or two chips"
                                            : "several chips";
    return "Bus: a device answers at " + address_list(answering) + " (" + std::to_string(n) +
           (n == 1 ? " address): " : " addresses): ") + guess + "; --chip names " + article + " " + name +
           (part.bus_address != BASE_BUS_ADDRESS ? " at " + bus_address_text(part.bus_address) : "") + ".";
}

int check_board(run_state& s) {
    eeprom_device& device = s.device;
    action_record& record = s.record();
    bool answered = false;
    const chip_target& part = device.target();
    device_outcome outcome = run_device_action(device, [&] {
        // Where the kernel runs the bus there are no lines to test: the
        // adapter is named instead.
        const bool lines_ours = device.has_line_test();
        if (lines_ours) say("Port: " + printable_name(device.name()) + " claimed.");
        else say("Adapter: " + printable_name(device.name()) + " opened (" + printable_name(device.bus_summary()) + ").");
        // Measured at once, while the port is freshly claimed.
        if (std::string clock = lines_ours ? clock_text(device.speed(), true) : ""; !clock.empty()) say(clock);
        int clocks = -1;
        device_outcome lines = device.test_lines(clocks);
        if (lines.result == device_result::port_lost) return lines;
        std::string cleared;
        if (clocks >= 0)
            cleared = "SDA was held low by a chip left mid-transfer; " + std::to_string(clocks) +
                      " clocks and a stop freed it. ";
        if (!lines_ours) say("Lines: run by " + device.lines_runner() + "; no line test.");
        else if (lines.result == device_result::done) say("Lines: " + cleared + "SDA follows the port.");
        else say(std::string("Lines: ") + line_fault_text(lines.result));
        if (lines.result == device_result::done) {
            device_outcome probe = device.probe();
            if (probe.result == device_result::port_lost) return probe;
            answered = probe.result == device_result::done;
            char control[8];
            std::snprintf(control, sizeof control, "0x%02x", write_byte_for(part, 0));
            say(answered ? std::string("EEPROM: acknowledged at ") + control + "."
                         : std::string("EEPROM: no acknowledge at ") + control +
                               (lines_ours ? ": check the socket and the chip in it, the board's power, and that the chip is "
                                          : ": check the chip, its power and its wiring, and that the chip is ") +
                               with_article(part.profile->name) +
                               (part.profile->style == addressing::device_code ? " (device code 1010)" : "") +
                               chip_select_advice(part) + ".");
            std::vector<std::uint8_t> answering;
            device_outcome scanned = device.scan(answering);
            if (scanned.result == device_result::port_lost) return scanned;
            say(bus_line(part, answering));
        }
        device_outcome idle = device.idle();
        if (idle.result != device_result::done) return idle;
        if (lines_ours) say("Lines: left idle, SDA and SCL high.");
        return lines;
    });
    action_sizes sizes{part.size()};
    if (outcome.result != device_result::done && outcome.result != device_result::sda_not_driven &&
        outcome.result != device_result::sda_held_low)
        return failed(s, outcome, s.row.read_told, sizes);
    if (outcome.result != device_result::done) record.failed(std::string("Lines: ") + line_fault_text(outcome.result));
    else if (!answered) record.failed("EEPROM: no acknowledge");
    return outcome.result == device_result::done && answered ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

std::string overlapping_files(const tool_options& options) {
    struct named {
        std::string option;
        std::string identity;
    };
    std::vector<named> files;
    auto add = [&](const std::string& option, const std::string& name, bool input) {
        if (!name.empty()) files.push_back({option, file_identity(name, input)});
    };
    add("--trace", options.trace_file, false);
    add("--sim", options.chip_file, false);
    if (const action_row* row = row_of(options.action); row && row->takes_file)
        add(std::string("--") + row->option, options.image_file, row->loads_image);
    add("--serial-file", options.production.serial_file, false);
    add("--log", options.production.log_file, false);
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = i + 1; j < files.size(); ++j)
            if (!files[i].identity.empty() && files[i].identity == files[j].identity)
                return files[i].option + " and " + files[j].option +
                       " name the same file: give each its own";
    return {};
}

namespace {

using act = tool_action;
constexpr action_phase READ = action_phase::reading, COMPARE = action_phase::comparing,
                       READ_BACK = action_phase::reading_back, CHECKING = action_phase::checking;
constexpr progress_phase READING = progress_phase::reading, VERIFYING = progress_phase::verifying;

// action, option, letter, name, read shown, read told, takes file, loads image, writes chip, stamps serial, function
constexpr action_row ACTIONS[] = {
    {act::read,        "read",        'r', "read",        READING,   READ,      true,  false, false, false, read_chip},
    {act::write,       "write",       'w', "write",       VERIFYING, READ_BACK, true,  true,  true,  true,  program_or_verify},
    {act::verify,      "verify",      'v', "verify",      VERIFYING, COMPARE,   true,  true,  false, false, program_or_verify},
    {act::check,       "check",       0,   "check",       READING,   CHECKING,  false, false, false, false, check_board},
    {act::erase,       "erase",       0,   "erase",       VERIFYING, READ_BACK, false, false, true,  false, program_or_verify},
    {act::blank_check, "blank-check", 0,   "blank-check", READING,   READ,      false, false, false, false, blank_check},
};

}  // namespace

std::span<const action_row> action_rows() { return ACTIONS; }

const action_row* row_of(tool_action action) {
    for (const action_row& row : ACTIONS)
        if (row.action == action) return &row;
    return nullptr;
}

int run_command(const tool_options& options, eeprom_device& device, const command_run& run) {
    const action_row* row = row_of(options.action);
    if (!row) return EXIT_USAGE;
    // The whole run notes the signals rather than dying of them, so that its
    // end can say what was done, and log it, whenever one comes.
    interruption_scope noting;
    run_ending ending{action_record(options, device)};
    ending.lock_wait = run.production.lock_wait;
    run_state s{*row, options, device, run, ending, run.clock ? progress_display(run.clock) : progress_display()};
    int status = run.refusal.empty() ? row->run(s) : refused(s, run.refusal);
    s.progress.clear();
    return conclude_run(ending, status, run.trace, run.log);
}

}  // namespace eeprom24c01
