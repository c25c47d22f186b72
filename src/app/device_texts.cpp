// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/device_texts.h"

#include <cstdio>

#include "app/chip_choice.h"
#include "bus/timing.h"
#include "text/address_text.h"
#include "text/printable_name.h"

namespace eeprom24c01 {

const char* line_fault_text(device_result result) {
    return result == device_result::sda_not_driven
               ? "SDA does not follow the port: it reads high when driven low. Check that the board is on the cable "
                 "and the port is in standard (SPP) mode."
               : "SDA stays low when released: the board may have no power, or SDA is held to ground.";
}

std::string no_acknowledge_text(const eeprom_device& device, int offset, offset_shown shown) {
    if (device.has_line_test()) {
        char at[40] = "";
        if (shown == offset_shown::hexadecimal) std::snprintf(at, sizeof at, " at address 0x%02x", offset);
        if (shown == offset_shown::decimal) std::snprintf(at, sizeof at, " at address %d", offset);
        return std::string("No acknowledge from the EEPROM") + at + ": check the board, its power and the cable.\n";
    }
    chip_location where = locate(device.target(), static_cast<std::uint32_t>(offset));
    char at[48];
    std::snprintf(at, sizeof at, "bus address 0x%02x on ", where.first_byte >> 1);
    char byte[24];
    std::snprintf(byte, sizeof byte, " (byte 0x%02x)", offset);
    return std::string("No acknowledge from the EEPROM at ") + at + printable_name(device.name()) + byte +
           ": check the chip, its power and its wiring, and --address.\n";
}

std::string refused_byte_text(const eeprom_device& device, const device_outcome& outcome) {
    const std::string at = address_text(static_cast<std::uint32_t>(outcome.address), device.target().size());
    if (outcome.in_read)
        return "The EEPROM refused the word address of " + at +
               " for a read: the read stopped there; check that --chip names the part.\n";
    const std::string written = " (after " + std::to_string(outcome.bytes) + (outcome.bytes == 1 ? " byte" : " bytes") +
                                " written): the write stopped there; ";
    if (outcome.word_address)
        return "The EEPROM refused the word address of " + at + written + "check that --chip names the part.\n";
    return "The EEPROM refused the data byte for " + at + written +
           "check that --chip names the part, and the chip's write-protect pin (WP, pin 7).\n";
}

std::string interrupted_text(action_phase phase, const device_outcome& outcome, const action_sizes& sizes) {
    std::string text = outcome.port_message;
    int n = outcome.bytes;
    int size = static_cast<int>(sizes.part);
    int to_write = static_cast<int>(sizes.to_write);
    // A signal after the last byte came in leaves a complete read.
    const bool all_read = n == size;
    char line[200];
    switch (phase) {
        case action_phase::starting:
            return text + "Interrupted before the chip was touched.\n";
        case action_phase::line_test:
            return text + "Interrupted during the line test, before any byte was sent.\n";
        case action_phase::reading_held:
            std::snprintf(line, sizeof line,
                          "Interrupted while reading the chip before writing, after %d of %d bytes; none written.\n", n,
                          size);
            break;
        case action_phase::menu_writing:
            std::snprintf(line, sizeof line, "Interrupted after %d of %d bytes.\n", n, to_write);
            break;
        case action_phase::writing: {
            char of_part[32] = "";
            if (to_write != size) std::snprintf(of_part, sizeof of_part, " to write (of %d)", size);
            if (n < to_write)
                std::snprintf(line, sizeof line, "Interrupted while writing after %d of %d bytes%s; the rest not written.\n",
                              n, to_write, of_part);
            else
                std::snprintf(line, sizeof line, "Interrupted after writing all %d bytes%s; not verified.\n", n, of_part);
            break;
        }
        case action_phase::reading_back:
            if (sizes.written == sizes.part)
                std::snprintf(line, sizeof line,
                              "Interrupted while reading back: all %d bytes were written, %d read back, none compared.\n",
                              size, n);
            else
                std::snprintf(line, sizeof line,
                              "Interrupted while reading back: %zu of %d bytes were written (the rest already held), %d "
                              "read back, none compared.\n",
                              sizes.written, size, n);
            break;
        case action_phase::reading:
            if (all_read) std::snprintf(line, sizeof line, "Interrupted after reading all %d bytes.\n", size);
            else std::snprintf(line, sizeof line, "Interrupted while reading after %d of %d bytes.\n", n, size);
            break;
        case action_phase::comparing:
            if (all_read) std::snprintf(line, sizeof line, "Interrupted after reading all %d bytes; none compared.\n", size);
            else std::snprintf(line, sizeof line, "Interrupted while reading after %d of %d bytes; none compared.\n", n, size);
            break;
        case action_phase::checking:
            return text + "Interrupted while checking the board.\n";
    }
    return text + line;
}

std::string clock_text(const bus_speed& speed, bool reach) {
    const std::string asked = speed.clock_hz ? frequency_text(speed.clock_hz) : "";
    if (!speed.measured)
        return asked.empty() ? "" : "Clock: " + asked + " (" + speed_class_of(speed.clock_hz)->name +
                                        " mode), on the board's virtual time.";
    char access[32];
    std::snprintf(access, sizeof access, "%.2f us", static_cast<double>(speed.access.count()) / 1000.0);
    std::string line = std::string("Clock: a port access takes ") + access;
    if (reach) line += ", so the bus can reach " + frequency_text(speed.reach_hz) + " here";
    if (asked.empty()) return line + ".";
    if (speed.slowed)
        return line + (reach ? "; it runs at " : ": the bus runs at ") + frequency_text(speed.real_hz) + ", not the " +
               asked + " --clock asks.";
    return line + "; the bus runs at " + asked + ".";
}

}  // namespace eeprom24c01
