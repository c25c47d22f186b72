// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/actions.h"
#include "app/chip_choice.h"
#include "app/command.h"
#include "app/device_texts.h"
#include "app/menu.h"
#include "app/options.h"
#include "app/run_ending.h"
#include "bus/timing.h"
#include "bus/trace.h"
#include "image/file_identity.h"
#include "image/image.h"
#include "image/load_file.h"
#include "device/parallel_device.h"
#include "util/interruption.h"
#include "sim/chip_file.h"
#include "sim/chip24cxx.h"
#include "sim/sim_board.h"
#include "text/printable_name.h"
#include "device/ch341_device.h"
#include "device/i2cdev_device.h"
#include "transport/ch341_usb.h"
#include "transport/io_port.h"
#include "transport/ppdev_port.h"

#ifndef EEPROM24C01_VERSION
#error "EEPROM24C01_VERSION comes from the project's version in CMake"
#endif

namespace eeprom24c01 {

namespace {

// The run's trace. Made before main runs, it outlives the check of the
// outputs at exit, which closes it and reports what could not be written.
bus_trace run_trace;

// A command-line run's noting of signals (see main).
const interruption_scope* whole_run_noting = nullptr;

// Which of descriptors 0, 1 and 2 the caller left closed.
struct closed_standard {
    bool input = false, output = false;
};

// A descriptor 0, 1 or 2 left closed by the caller would be handed to the
// first file opened, and the tool's messages would land in it: each gets
// /dev/null instead, and is remembered as closed. False when that fails.
bool open_standard_descriptors(closed_standard& closed) {
    bool was_closed[3] = {};
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        was_closed[fd] = true;
        if (open("/dev/null", O_RDWR) != fd) return false;
    }
    closed = {was_closed[0], was_closed[1]};
    return true;
}

// "" or the line saying why the action cannot use "-": it names a descriptor
// that was closed.
std::string closed_standard_problem(const tool_options& options, closed_standard closed) {
    const bool image_dash = options.image_file == "-";
    const action_row* row = row_of(options.action);
    const bool reads_input = row && row->loads_image;
    if (closed.input && image_dash && reads_input)
        return "Standard input was closed when the tool started: there is no image to read; nothing was done.\n";
    if (closed.output && ((image_dash && row && row->takes_file && !reads_input) || options.trace_file == "-"))
        return std::string("Standard output was closed when the tool started: ") +
               (options.trace_file == "-" ? "the trace" : "the chip's bytes") + " cannot go there; nothing was done.\n";
    return {};
}

// However the program ends: output that could not be written is a failure,
// said in its line; after a signal the status still names the signal.
void check_outputs() {
    const int status = interruption_signal() ? 128 + interruption_signal() : EXIT_FAILED;
    std::string problem = close_outputs(&run_trace);
    if (problem.empty()) return;
    std::fputs(problem.c_str(), stderr);
    _exit(status);
}

// A run whose chip's bytes met a closed pipe on standard output ends by the
// signal itself, once its log line is written, as other tools end there.
int ended(const tool_options& options, int status) {
    const action_row* row = row_of(options.action);
    if (status == 128 + SIGPIPE && row && row->takes_file && !row->loads_image && options.image_file == "-") {
        std::fflush(nullptr);
        signal(SIGPIPE, SIG_DFL);
        raise(SIGPIPE);
    }
    return status;
}

int refuse(const std::string& problem) {
    std::fprintf(stderr, "eeprom24c01: %s\n%s", problem.c_str(), USAGE_HINT);
    return EXIT_USAGE;
}

// Builds the chosen port back end (an I2C adapter is a device of its own,
// made elsewhere); nothing here touches a port. A run that will not use the
// board (its image refused) gets a blank simulated chip without a file, so
// that no chip file is made for it.
std::unique_ptr<port_backend> make_backend(const tool_options& options, const chip_target& target,
                                           bool board_used, std::string& problem) {
    if (options.backend == backend_kind::io_ports) return std::make_unique<io_port>(options.io_base);
    if (options.backend != backend_kind::simulated) return std::make_unique<ppdev_port>(options.port_device);
    sim_chip_config chip = sim_chip_config_for(target);
    if (!board_used) return std::make_unique<sim_board>(chip, std::vector<std::uint8_t>(chip.size(), 0xFF), true);
    std::vector<std::uint8_t> contents;
    chip_file file;
    problem = chip_file_open(options.chip_file, chip.size(), file, contents);
    if (!problem.empty()) return nullptr;
    auto board = std::make_unique<sim_board>(chip, contents, !options.no_chip);
    board->cable_unplugged = options.no_cable;
    board->chip().write_protected = options.wp_high;
    if (file.created) std::fprintf(stderr, "Created a blank simulated chip in %s.\n", printable_name(file.path).c_str());
    board->keep_chip_in(std::move(file));
    return board;
}

}  // namespace

int tool_main(int argc, char** argv) {
    closed_standard closed;
    if (!open_standard_descriptors(closed)) return EXIT_USAGE;
    std::atexit(check_outputs);
    // A file size limit (ulimit -f) then fails the write that meets it, which
    // is reported, instead of ending the program part way.
    signal(SIGXFSZ, SIG_IGN);
    tool_options options;
    std::string problem = parse_options(argc, argv, options);
    if (!problem.empty()) return refuse(problem);
    // What is only printed fails, like any output, where it cannot arrive:
    // a standard output closed at the start is /dev/null by now.
    const bool only_prints = options.action == tool_action::help || options.action == tool_action::version ||
                             options.chip.name == "list" || options.production.format == "list";
    if (only_prints && closed.output) {
        std::fprintf(stderr, "eeprom24c01: cannot write standard output: %s.\n", std::strerror(EBADF));
        return EXIT_FAILED;
    }
    if (options.action == tool_action::help) {
        std::fputs(USAGE, stdout);
        return EXIT_DONE;
    }
    if (options.action == tool_action::version) {
        std::puts("eeprom24c01 " EEPROM24C01_VERSION);
        return EXIT_DONE;
    }
    if (options.chip.name == "list") {
        print_chip_list(stdout);
        return EXIT_DONE;
    }
    if (options.production.format == "list") {
        print_format_list(stdout);
        return EXIT_DONE;
    }
    chip_target target{};
    problem = choose_chip(options.chip, target);
    if (problem.empty()) problem = choose_clock(options.clock_hz, *target.profile);
    if (!problem.empty()) return refuse(problem);
    production_choice production;
    problem = choose_production(options, target, production);
    if (!problem.empty()) return refuse(problem);
    problem = overlapping_files(options);
    if (!problem.empty()) return refuse(problem);
    // From here to the end of the process a command-line run notes the
    // signals rather than dying of them, so that its end can say what was
    // done and log it; one that comes after the run was settled changes
    // nothing. Never ended, so it is kept where the end of main cannot end it.
    if (options.action != tool_action::menu) whole_run_noting = new interruption_scope;
    // A log that cannot be written is found before a board is programmed
    // and its serial number used.
    production_log log;
    if (!options.production.log_file.empty()) {
        problem = log.open(options.production.log_file);
        if (!problem.empty()) {
            std::fputs(problem.c_str(), stderr);
            return EXIT_FAILED;
        }
    }
    // Whatever may still be refused is looked at before the device, and a
    // new simulated chip, are made.
    default_image_file default_image;
    if (options.action == tool_action::menu) {
        default_image = open_default_image();
        if (!default_image) return EXIT_DONE;
        if (options.backend == backend_kind::simulated && same_file(options.chip_file, DEFAULT_IMAGE_FILE)) {
            std::fprintf(stderr, "eeprom24c01: --sim names the menu's default image %s: give the chip a file of its own.\n",
                         DEFAULT_IMAGE_FILE);
            return EXIT_USAGE;
        }
    }
    // What refuses the run before the device is made: the run then makes
    // nothing, and its log line says why.
    std::string refusal = closed_standard_problem(options, closed);
    if (!refusal.empty() && options.action == tool_action::menu) {
        std::fputs(refusal.c_str(), stderr);
        return EXIT_FAILED;
    }
    loaded_file input;
    if (const action_row* row = row_of(options.action); refusal.empty() && row && row->loads_image)
        input = load_file(options.image_file, target.size(), production.read_format);
    command_run run{{}, production, &input, log.is_open() ? &log : nullptr, &run_trace, refusal};
    // A bus the tool does not drive line by line: an I2C adapter or the programmer.
    auto run_on = [&](eeprom_device& device) {
        return options.action == tool_action::menu ? run_console(device, std::move(default_image))
                                                   : ended(options, run_command(options, device, run));
    };
    if (options.backend == backend_kind::i2c_dev) {
        i2cdev_device device({options.i2c_device, "/sys", options.force}, target);
        return run_on(device);
    }
    if (options.backend == backend_kind::ch341) {
        ch341_usb link(options.ch341_device);
        ch341_device device(link, target, options.clock_hz);
        return run_on(device);
    }
    if (run.refusal.empty() && !options.trace_file.empty()) {
        if (int error = run_trace.open(options.trace_file, options.clock_hz != 0))
            run.refusal = "eeprom24c01: cannot write trace " + printable_name(options.trace_file) + ": " +
                          std::strerror(error) + ".\n";
        if (!run.refusal.empty() && options.action == tool_action::menu) {
            std::fputs(run.refusal.c_str(), stderr);
            return EXIT_FAILED;
        }
    }
    std::unique_ptr<port_backend> backend =
        make_backend(options, target, run.refusal.empty() && input.error.empty(), problem);
    if (!backend) {
        std::fputs(("eeprom24c01: " + problem).c_str(), stderr);
        return EXIT_USAGE;
    }
    // The command line reads the acknowledge of every byte it writes; the
    // menu's writes keep their register traffic.
    parallel_device device(*backend, target, &run_trace, options.action != tool_action::menu,
                           timing_at(options.clock_hz, target.profile->write_cycle_ms));
    // --check says it in its own clock line.
    if (options.action != tool_action::check)
        device.on_slowed_clock = [](const bus_speed& speed) { std::fprintf(stderr, "%s\n", clock_text(speed, false).c_str()); };
    if (options.action == tool_action::menu) return run_console(device, std::move(default_image), options.chip_file);
    // The back end's clock: real time on a port, virtual time on the
    // simulated board, which is what its user waits for.
    run.clock = [&backend] { return backend->now_us(); };
    return ended(options, run_command(options, device, run));
}

}  // namespace eeprom24c01

int main(int argc, char** argv) { return eeprom24c01::tool_main(argc, argv); }
