// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/parallel_device.h"

#include "bus/ack_poll.h"
#include "chip/control_byte.h"

namespace eeprom24c01 {

device_outcome parallel_device::begin_action() {
    lost_ = {};
    cycles_ = {};
    device_outcome outcome;
    std::string refusal = bus_.claim();
    if (!refusal.empty()) {
        outcome.result = device_result::port_refused;
        outcome.port_message = refusal;
        return outcome;
    }
    if (!clock_told_ && bus_.timing().clock_chosen() && bus_.port().keeps_real_time()) {
        clock_told_ = true;
        if (bus_speed measured = speed(); measured.slowed && on_slowed_clock) on_slowed_clock(measured);
        return lost_;
    }
    return outcome;
}

bus_speed parallel_device::speed() {
    bus_speed s;
    s.clock_hz = bus_.timing().clocked.clock_hz;
    if (!bus_.port().keeps_real_time()) return s;
    guarded([&] {
        s.access = bus_.access_time();
        s.measured = true;
        return device_outcome{};
    });
    if (!s.measured) return s;
    s.reach_hz = clock_reached(speed_classes().back().max_hz, s.access);
    if (s.clock_hz == 0) return s;
    s.real_hz = clock_reached(s.clock_hz, s.access);
    // Said when the port's own accesses cost the bus more than a twentieth.
    s.slowed = s.real_hz < clock_reached(s.clock_hz, std::chrono::nanoseconds{0}) / 20 * 19;
    return s;
}

device_outcome parallel_device::end_action() {
    device_outcome outcome;
    if (lost_.result != device_result::done) return outcome;  // reported already
    outcome.port_message = bus_.release();
    if (!outcome.port_message.empty()) outcome.result = device_result::port_lost;
    return outcome;
}

device_outcome parallel_device::guarded(const std::function<device_outcome()>& steps) {
    if (lost_.result != device_result::done) return lost_;
    try {
        return steps();
    } catch (const port_lost& lost) {
        lost_.result = device_result::port_lost;
        lost_.port_message = lost.what();
        bus_.abandon();
        return lost_;
    }
}

// Driven low it must read low, released it must read high.
device_result parallel_device::sda_follows() {
    if (bus_.sense_sda(SDA_LOW)) return device_result::sda_not_driven;
    if (!bus_.sense_sda(SDA_HIGH)) return device_result::sda_held_low;
    return device_result::done;
}

device_outcome parallel_device::test_lines(int& clearing_clocks) {
    clearing_clocks = -1;
    return guarded([&] {
        device_outcome outcome;
        outcome.result = sda_follows();
        if (outcome.result != device_result::sda_held_low) return outcome;
        // A chip left in the middle of sending a byte holds SDA until clocked on.
        clearing_clocks = bus_.clear();
        if (clearing_clocks < 0) return outcome;
        bus_.stop();
        outcome.result = sda_follows();
        return outcome;
    });
}

// The chip never acknowledged: end the transaction and rest the lines.
device_outcome parallel_device::silent_chip(std::uint32_t offset) {
    bus_.stop();
    bus_.idle();
    device_outcome outcome;
    outcome.result = device_result::no_acknowledge;
    outcome.address = static_cast<int>(offset);
    return outcome;
}

device_outcome parallel_device::probe() {
    return guarded([&] {
        device_outcome outcome;
        if (!poll_ack(bus_, write_byte_for(target_, 0))) outcome.result = device_result::no_acknowledge;
        bus_.stop();
        bus_.idle();
        return outcome;
    });
}

// A poll after a write transaction tells whether the chip took a write cycle.
bool parallel_device::polled(std::uint8_t first_byte) {
    const unsigned attempts = poll_ack(bus_, first_byte);
    cycles_.answered(attempts);
    return attempts > 0;
}

device_outcome parallel_device::begin_read(std::uint32_t offset) {
    chip_location at = locate(target_, offset);
    device_outcome outcome;
    outcome.address = static_cast<int>(offset);
    // Polling first: a chip still busy with a write cycle is waited for, and
    // a silent one is found before anything is read from nothing.
    if (!polled(at.first_byte)) {
        outcome.result = device_result::no_acknowledge;
        return outcome;
    }
    // A refused word address leaves the chip's counter where it was: what
    // followed would come from there.
    for (int i = 0; i < at.word_bytes; ++i) {
        bus_.send_fixed_byte(at.word[i]);
        if (!acknowledged()) {
            outcome.result = device_result::byte_refused;
            outcome.word_address = outcome.in_read = true;
            return outcome;
        }
    }
    bus_.restart();
    bus_.send_fixed_byte(static_cast<std::uint8_t>(at.first_byte | READ_BIT));
    if (!acknowledged()) outcome.result = device_result::no_acknowledge;
    return outcome;
}

// One sequential read, ended with a stop that leaves both lines low.
device_outcome parallel_device::read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) {
    return guarded([&] {
        device_outcome outcome = begin_read(offset);
        if (outcome.result != device_result::done) {
            bus_.stop();
            return outcome;
        }
        std::size_t count = 0;
        for (bool last = out.empty(); !last;) {
            out[count++] = bus_.receive_byte();
            // No acknowledge after the last byte: an acknowledged chip would
            // go on driving the next byte and could swallow the stop.
            last = count == out.size() || (watch && !watch(count));
            if (last) bus_.master_nack();
            else bus_.master_ack();
        }
        bus_.stop();
        outcome.bytes = static_cast<int>(count);
        return outcome;
    });
}

// After a byte the master sent: its acknowledge clock, read where the
// device is checked. False when the chip refused the byte.
bool parallel_device::acknowledged() {
    if (checked_) return bus_.ack_clock_read();
    bus_.ack_clock();
    return true;
}

device_outcome parallel_device::write(std::uint32_t offset, std::span<const std::uint8_t> data) {
    return guarded([&] {
        chip_location at = locate(target_, offset);
        // Polling also waits out the internal write of the transaction before.
        if (!polled(at.first_byte)) return silent_chip(offset);
        device_outcome outcome;
        for (int i = 0; i < at.word_bytes; ++i) {
            bus_.send_byte(at.word[i]);
            if (!acknowledged()) {
                outcome.word_address = true;
                return refused_byte(offset, outcome);
            }
        }
        for (std::uint8_t byte : data) {
            bus_.send_byte(byte);
            if (!acknowledged()) return refused_byte(offset + static_cast<std::uint32_t>(outcome.bytes), outcome);
            ++outcome.bytes;
        }
        bus_.stop();
        bus_.write_cycle_wait();
        last_written_ = offset + static_cast<std::uint32_t>(data.size()) - 1;
        cycles_.written();
        return outcome;
    });
}

// A refused byte ends the transaction at once; what the chip took before it
// in the same transaction may still be stored.
device_outcome parallel_device::refused_byte(std::uint32_t offset, device_outcome outcome) {
    bus_.stop();
    bus_.idle();
    outcome.result = device_result::byte_refused;
    outcome.address = static_cast<int>(offset);
    return outcome;
}

device_outcome parallel_device::scan(std::vector<std::uint8_t>& answering) {
    return guarded([&] {
        answering.clear();
        for (std::uint8_t address = BASE_BUS_ADDRESS; address < BASE_BUS_ADDRESS + 8; ++address) {
            // The control byte alone and a stop: nothing is written.
            if (poll_ack(bus_, static_cast<std::uint8_t>(address << 1), 1)) answering.push_back(address);
            bus_.stop();
        }
        bus_.idle();
        return device_outcome{};
    });
}

// The last transaction is still being written inside the chip: wait for it
// as for every other, so a read straight after finds it done.
device_outcome parallel_device::finish_writes() {
    return guarded([&] {
        if (!polled(write_byte_for(target_, last_written_))) return silent_chip(last_written_);
        bus_.stop();
        bus_.idle();
        return device_outcome{};
    });
}

device_outcome parallel_device::idle() {
    return guarded([&] {
        bus_.idle();
        return device_outcome{};
    });
}

}  // namespace eeprom24c01
