// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/menu_actions.h"

#include <cstdio>
#include <functional>

#include "app/device_texts.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "image/image_files.h"

namespace eeprom24c01 {

namespace {

enum class action_kind { write, read };

// Nothing for an action that did all it should; otherwise one line, started
// with lead. A signal ends the program after its line.
void report(menu_session& session, const device_outcome& outcome, action_kind kind, action_phase phase,
            const char* lead = "") {
    switch (outcome.result) {
        case device_result::done:
            return;
        case device_result::no_acknowledge:
            std::fputs(lead, stdout);
            std::fputs(no_acknowledge_text(session.device, outcome.address,
                                           kind == action_kind::write ? offset_shown::decimal : offset_shown::none)
                           .c_str(),
                       stdout);
            return;
        case device_result::sda_not_driven:
        case device_result::sda_held_low:
            // The line test comes before anything is printed.
            std::printf("%s\n", line_fault_text(outcome.result));
            return;
        case device_result::interrupted:
            // The program ends with 128 + the signal, as a shell reports a
            // process its signal ended.
            std::fputs(lead, stdout);
            std::fputs(interrupted_text(phase, outcome, {session.image.size()}).c_str(), stdout);
            session.ending = 128 + outcome.signal;
            return;
        default:
            std::fputs(lead, stdout);
            std::fputs(outcome.port_message.c_str(), stdout);
            return;
    }
}

// Every equal byte up to the first difference, and that difference.
void report_comparison(const menu_session& session) {
    int differs = first_difference(session.image, session.readback);
    int equal = differs < 0 ? static_cast<int>(session.image.size()) : differs;
    for (int i = 0; i < equal; ++i) std::fputs("Verify O.K.\n", stdout);
    if (differs < 0) return;
    auto at = static_cast<std::size_t>(differs);
    std::fputs(" ERROR: ADDRESS   WRITE DATA   READ DATA\n", stdout);
    std::printf("          %d         %x            %x   \n", differs, session.image[at], session.readback[at]);
}

// The line test, then the step, inside one device action.
device_outcome after_line_test(menu_session& session, action_phase& phase, action_phase step_phase,
                               const std::function<device_outcome()>& step) {
    return run_device_action(session.device, [&] {
        phase = action_phase::line_test;
        device_outcome outcome = lines_ready(session.device);
        if (outcome.result != device_result::done) return outcome;
        phase = step_phase;
        return step();
    });
}

// Reads the chip into buffer and then shows what came. Nothing is printed
// while the action notes signals: a write to standard output blocked on a
// full pipe would fail there, its bytes lost. A signal after the last byte
// came in leaves a complete read, shown before the program ends; a board that
// could not keep what it holds (a simulated chip not saved) shows nothing.
// A dump ends mid-line: lead starts the line that may follow it.
void read_and_show(menu_session& session, std::vector<std::uint8_t>& buffer, void (*show)(const menu_session&),
                   const char* lead) {
    action_phase phase{};
    std::vector<std::uint8_t> incoming = buffer;
    device_outcome outcome = after_line_test(session, phase, action_phase::reading,
                                             [&] { return read_image_then_idle(session.device, incoming); });
    const bool shown = read_complete(outcome, buffer.size());
    if (shown) {
        buffer = incoming;
        show(session);
    }
    report(session, outcome, action_kind::read, phase, shown ? lead : "");
}

}  // namespace

// The menu's write prints nothing when it went well. A chip that answered at
// once after every byte took no write cycle and kept nothing, which is said.
void report_write(menu_session& session, const device_outcome& outcome, action_phase phase, const char* lead = "") {
    report(session, outcome, action_kind::write, phase, lead);
    if (outcome.result != device_result::done || !session.device.writes_took_no_cycle()) return;
    std::printf("%s%s\n", lead, WRITE_PROTECTED_TEXT);
    session.write_not_kept = true;
}

void write_eeprom(menu_session& session) {
    action_phase phase{};
    device_outcome outcome = after_line_test(session, phase, action_phase::menu_writing,
                                             [&] { return write_image(session.device, session.image); });
    report_write(session, outcome, phase);
}

void read_eeprom_to_buffer(menu_session& session) {
    read_and_show(
        session, session.image, [](const menu_session& s) { print_dump(s.image, dump_index::decimal); }, "\n");
}

void verify_eeprom(menu_session& session) { read_and_show(session, session.readback, report_comparison, ""); }

void program_default_values(menu_session& session) {
    // Loaded aside: the image changes only once the lines have passed.
    std::vector<std::uint8_t> loaded = session.image;
    if (!load_image_file(DEFAULT_IMAGE_FILE, loaded)) {
        std::fputs("Open failed\n", stdout);
        return;
    }
    action_phase phase{};
    device_outcome outcome = after_line_test(session, phase, action_phase::menu_writing, [&] {
        session.image = loaded;
        return write_image(session.device, session.image);
    });
    // Past the line test the image was taken; its dump goes before what the
    // write came to, printed once the action has ended.
    const bool shown = phase == action_phase::menu_writing;
    if (shown) print_dump(session.image, dump_index::decimal);
    // The dump ends mid-line: a message of the write starts a line of its own.
    report_write(session, outcome, phase, shown ? "\n" : "");
}

}  // namespace eeprom24c01
