// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/bus.h"

namespace eeprom24c01 {

using enum bus_phase;

std::string two_wire_bus::release() {
    port_.action_end();
    if (trace_) trace_->flush();
    return port_.action_problem();
}

void two_wire_bus::abandon() {
    port_.abandon();
    if (trace_) trace_->flush();
}

void two_wire_bus::write(std::uint16_t reg, std::uint8_t value) {
    port_.write(reg, value);
    waits_.line_changed();
    if (trace_) trace_->sample(port_.now_ns(), port_.levels());
}

// Every line change is followed by the wait of the phase it begins.
void two_wire_bus::change(std::uint16_t reg, std::uint8_t value, bus_phase phase) {
    write(reg, value);
    waits_.bit_delay(phase);
}

void two_wire_bus::set_sda(std::uint8_t data_register, bus_phase phase) { change(LPT_DATA, data_register, phase); }

void two_wire_bus::set_scl(std::uint8_t control_register, bus_phase phase) {
    change(LPT_CONTROL, control_register, phase);
}

bool two_wire_bus::sample_sda() { return (port_.read(LPT_STATUS) & SDA_IN_BIT) != 0; }

std::chrono::nanoseconds two_wire_bus::access_time() {
    constexpr int READS = 16;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < READS; ++i) port_.read(LPT_STATUS);
    return (std::chrono::steady_clock::now() - began) / READS;
}

// Any state -> SDA low, SCL low. SDA falls while SCL is high.
void two_wire_bus::start() {
    set_sda(SDA_HIGH, data_setup);
    set_scl(SCL_HIGH, start_setup);
    set_sda(SDA_LOW, start_hold);
    set_scl(SCL_LOW, low_hold);
}

// SDA released, SCL low -> SDA low, SCL low, through a repeated start.
void two_wire_bus::restart() {
    waits_.finish_low();
    set_scl(SCL_HIGH, clock_high);
    start();
}

// SCL low -> SCL low; bit 7 of value is held on SDA over one clock pulse.
void two_wire_bus::send_bit(std::uint8_t value) {
    set_sda(value, data_setup);
    set_scl(SCL_HIGH, clock_high);
    set_scl(SCL_LOW, low_hold);
}

// MSB first, the data register carrying the byte shifted so that bit 7 is
// the bit on the bus.
void two_wire_bus::send_byte(std::uint8_t byte) {
    for (unsigned k = 0; k < 8; ++k) send_bit(static_cast<std::uint8_t>(byte << k));
}

// MSB first, the data register carrying exactly 0x80 or 0x00.
void two_wire_bus::send_fixed_byte(std::uint8_t byte) {
    for (unsigned k = 0; k < 8; ++k) send_bit((byte & (0x80u >> k)) ? SDA_HIGH : SDA_LOW);
}

// SCL low -> SDA released, SCL low; the device's acknowledge is not read.
void two_wire_bus::ack_clock() { send_bit(SDA_HIGH); }

// The same writes as ack_clock, with SDA read while SCL is high: whether the
// device pulled it low, acknowledging the byte.
bool two_wire_bus::ack_clock_read() {
    set_sda(SDA_HIGH, data_setup);
    write(LPT_CONTROL, SCL_HIGH);
    const bool acknowledged = !sample_sda();
    waits_.bit_delay(clock_high);
    set_scl(SCL_LOW, low_hold);
    return acknowledged;
}

// SCL low, SDA released -> SCL high after the eighth bit. The device moves
// SDA while SCL is low; each bit is sampled once SCL has been high for tHIGH.
std::uint8_t two_wire_bus::receive_byte() {
    std::uint8_t result = 0;
    for (unsigned k = 0; k < 8; ++k) {
        set_scl(SCL_LOW, clock_low);
        set_scl(SCL_HIGH, clock_high);
        bool high = sample_sda();
        waits_.bit_delay(no_change);
        if (high) result |= static_cast<std::uint8_t>(0x80u >> k);
    }
    return result;
}

namespace {

// SCL high after receive_byte -> SDA released, SCL low. The master's ninth
// bit: low (acknowledge, send more) or released (no acknowledge, last byte).
// The second write of SCL low moves no line.
void master_answer(two_wire_bus& bus, std::uint8_t sda_level) {
    bus.set_scl(SCL_LOW, low_hold);
    bus.set_sda(sda_level, data_setup);
    bus.set_scl(SCL_LOW, no_change);
    bus.set_scl(SCL_HIGH, clock_high);
    bus.set_scl(SCL_LOW, low_hold);
    bus.set_sda(SDA_HIGH, data_setup);
}

}  // namespace

void two_wire_bus::master_ack() { master_answer(*this, SDA_LOW); }

void two_wire_bus::master_nack() { master_answer(*this, SDA_HIGH); }

// SCL low -> SDA low, SCL low. SDA rises while SCL is high.
void two_wire_bus::stop() {
    set_sda(SDA_LOW, data_setup);
    set_scl(SCL_HIGH, stop_setup);
    set_sda(SDA_HIGH, bus_free);
    set_scl(SCL_LOW, low_hold);
    set_sda(SDA_LOW, data_setup);
}

// Any state -> both lines high.
void two_wire_bus::idle() {
    set_sda(SDA_HIGH, data_setup);
    set_scl(SCL_HIGH, clock_high);
}

bool two_wire_bus::sense_sda(std::uint8_t data_register) {
    set_scl(SCL_LOW, low_hold);
    set_sda(data_register, data_setup);
    bool high = sample_sda();
    waits_.bit_delay(no_change);
    return high;
}

// A chip sending a byte moves to its next bit after each fall of SCL and lets
// SDA go at a 1 bit or at the ninth clock, where the master's silence ends
// the read. Nine clocks therefore free the bus from any point of a byte.
int two_wire_bus::clear() {
    for (int clocks = 0;; ++clocks) {
        if (sense_sda(SDA_HIGH)) return clocks;
        if (clocks == 9) return -1;
        set_scl(SCL_HIGH, clock_high);
    }
}

}  // namespace eeprom24c01
