#include "app/menu_actions.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "app/device_texts.h"
#include "bus/bus.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "image/image_files.h"

namespace {

enum class action_kind { write, read };

// Nothing for an action that did all it should; otherwise one line, started
// with lead. A signal ends the program after its line.
void report(const device_outcome& outcome, action_kind kind, action_phase phase, const char* lead = "") {
    switch (outcome.result) {
        case device_result::done:
            return;
        case device_result::no_acknowledge:
            std::fputs(lead, stdout);
            if (kind == action_kind::write)
                std::printf("No acknowledge from the EEPROM at address %d: check the board, its power and the cable.\n",
                            outcome.address);
            else
                std::fputs("No acknowledge from the EEPROM: check the board, its power and the cable.\n", stdout);
            return;
        case device_result::sda_not_driven:
        case device_result::sda_held_low:
            // The line test comes before anything is printed.
            std::printf("%s\n", line_fault_text(outcome.result));
            return;
        case device_result::interrupted:
            exit_interrupted(stdout, lead, phase, outcome);
        default:
            std::fputs(lead, stdout);
            std::fputs(outcome.port_message.c_str(), stdout);
            return;
    }
}

// Every equal byte up to the first difference, and that difference.
void report_comparison() {
    int differs = first_difference(image_buffer, readback_buffer);
    int equal = differs < 0 ? IMAGE_SIZE : differs;
    for (int i = 0; i < equal; ++i) std::fputs("Verify O.K.\n", stdout);
    if (differs < 0) return;
    std::fputs(" ERROR: ADDRESS   WRITE DATA   READ DATA\n", stdout);
    std::printf("          %d         %x            %x   \n", differs, image_buffer[differs], readback_buffer[differs]);
}

// The line test, then the step, inside one device action.
device_outcome after_line_test(action_phase& phase, action_phase step_phase,
                               const std::function<device_outcome()>& step) {
    return run_device_action([&] {
        phase = action_phase::line_test;
        device_outcome outcome = lines_ready();
        if (outcome.result != device_result::done) return outcome;
        phase = step_phase;
        return step();
    });
}

// Reads the chip into buffer and shows what came while the lines rest low
// after the stop.
void read_and_show(std::uint8_t* buffer, void (*show)(), action_phase step_phase) {
    action_phase phase{};
    device_outcome outcome = after_line_test(phase, step_phase, [&] {
        device_outcome read = read_whole_device(buffer);
        if (read.result == device_result::done) show();
        bus_idle();
        return read;
    });
    report(outcome, action_kind::read, phase);
}

}  // namespace

void write_eeprom() {
    action_phase phase{};
    device_outcome outcome = after_line_test(phase, action_phase::writing, [] { return write_whole_device(image_buffer); });
    report(outcome, action_kind::write, phase);
}

void read_eeprom_to_buffer() {
    read_and_show(image_buffer, [] { print_dump(image_buffer, dump_index::decimal); }, action_phase::reading);
}

void verify_eeprom() { read_and_show(readback_buffer, report_comparison, action_phase::reading); }

void program_default_values() {
    // Loaded aside: the image changes only once the lines have passed.
    std::uint8_t loaded[IMAGE_SIZE];
    std::memcpy(loaded, image_buffer, IMAGE_SIZE);
    if (!load_image_file(DEFAULT_IMAGE_FILE, loaded)) {
        std::fputs("Open failed\n", stdout);
        return;
    }
    action_phase phase{};
    bool shown = false;
    device_outcome outcome = after_line_test(phase, action_phase::writing, [&] {
        std::memcpy(image_buffer, loaded, IMAGE_SIZE);
        print_dump(image_buffer, dump_index::decimal);
        shown = true;
        return write_whole_device(image_buffer);
    });
    // The dump ends mid-line: a message of the write starts a line of its own.
    report(outcome, action_kind::write, phase, shown ? "\n" : "");
}
