#include "app/menu_actions.h"

#include <cstdio>

#include "app/device_texts.h"
#include "bus/bus.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "image/image_files.h"

namespace {

enum class action_kind { write, read };

// Nothing for an action that did all it should; otherwise one line, started
// with lead. A signal ends the program after its line.
void report(const device_outcome& outcome, action_kind kind, const char* lead = "") {
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
        case device_result::interrupted:
            exit_interrupted(stdout, lead, outcome);
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

device_outcome write_image_buffer() {
    return run_device_action([] { return write_whole_device(image_buffer); });
}

}  // namespace

void write_eeprom() { report(write_image_buffer(), action_kind::write); }

void read_eeprom_to_buffer() {
    device_outcome outcome = run_device_action([] {
        device_outcome read = read_whole_device(image_buffer);
        // Shown while the lines rest low after the stop.
        if (read.result == device_result::done) print_dump(image_buffer, dump_index::decimal);
        bus_idle();
        return read;
    });
    report(outcome, action_kind::read);
}

void verify_eeprom() {
    device_outcome outcome = run_device_action([] {
        device_outcome read = read_whole_device(readback_buffer);
        if (read.result == device_result::done) report_comparison();
        bus_idle();
        return read;
    });
    report(outcome, action_kind::read);
}

void program_default_values() {
    if (!load_image_file(DEFAULT_IMAGE_FILE, image_buffer)) {
        std::fputs("Open failed\n", stdout);
        return;
    }
    print_dump(image_buffer, dump_index::decimal);
    // The dump ends mid-line: a message of the write starts a line of its own.
    report(write_image_buffer(), action_kind::write, "\n");
}
