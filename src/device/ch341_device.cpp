// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ch341_device.h"

#include <algorithm>

#include "chip/control_byte.h"
#include "device/ch341_texts.h"
#include "transport/ch341_stream_codes.h"

namespace eeprom24c01 {

namespace {

// A read packet's bytes, and the packets one read transfer holds (1 KiB:
// half a second at 20 kHz, so a signal is heard soon).
constexpr std::size_t READ_PIECE = 32;
constexpr std::size_t READ_PACKETS = 32;
constexpr std::uint32_t DEFAULT_CLOCK_HZ = 100000;

device_outcome with_result(device_result result, std::uint32_t offset, int bytes = 0) {
    device_outcome outcome;
    outcome.result = result;
    outcome.address = static_cast<int>(offset);
    outcome.bytes = bytes;
    return outcome;
}

}  // namespace

ch341_speed ch341_speed_for(std::uint32_t clock_hz) {
    if (clock_hz == 0) clock_hz = DEFAULT_CLOCK_HZ;
    unsigned bits = 0;
    for (unsigned s = 1; s < 4; ++s)
        if (CH341_CLOCKS_HZ[s] <= clock_hz) bits = s;
    return {bits, CH341_CLOCKS_HZ[bits]};
}

ch341_device::ch341_device(ch341_link& link, const chip_target& target, std::uint32_t clock_hz, ch341_clock clock,
                           bus_timing timing)
    : link_(link), target_(target), speed_(ch341_speed_for(clock_hz)), clock_(std::move(clock)), timing_(timing) {}

std::chrono::microseconds ch341_device::now() const {
    if (clock_) return clock_();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

device_outcome ch341_device::begin_action() {
    lost_ = {};
    last_written_ = -1;
    cycle_pending_ = false;
    cycles_ = {};
    packets_.clear();
    device_outcome outcome;
    outcome.port_message = link_.open();
    if (!outcome.port_message.empty()) {
        outcome.result = device_result::port_refused;
        return outcome;
    }
    // The clock goes out with the action's first transaction.
    packets_.set_clock(speed_.bits);
    return outcome;
}

device_outcome ch341_device::end_action() {
    packets_.clear();
    link_.close();
    return {};
}

std::string ch341_device::bus_summary() const { return ch341_summary(link_.description(), speed_.hz); }

device_outcome ch341_device::lost(int error) {
    lost_.result = device_result::port_lost;
    lost_.port_message = ch341_lost(link_.name(), error, last_written_, target_.size());
    return lost_;
}

int ch341_device::exchange() {
    answers_.assign(packets_.owed(), 0);
    int error = link_.send(packets_.transfer());
    if (error == 0 && !answers_.empty()) error = link_.receive(answers_);
    packets_.clear();
    if (error != 0) lost(error);
    return error;
}

bool ch341_device::refused(std::size_t i) const { return (answers_[i] & CH341_STATUS_NACK) != 0; }

long ch341_device::poll(std::uint8_t first_byte) {
    const auto deadline = now() + timing_.i2c_retry_window(target_.profile->write_cycle_ms);
    for (long tries = 1;; ++tries) {
        // Timed from before the try: a slow transfer does not end the wait early.
        const auto tried_at = now();
        packets_.start();
        packets_.send_checked(first_byte);
        packets_.stop();
        if (exchange() != 0) return -1;
        if (!refused(0)) return tries;
        if (tried_at >= deadline) return 0;
    }
}

// The chip answered first_byte, a write cycle waited out; the first answer
// after a write tells whether it took one.
device_outcome ch341_device::polled(std::uint8_t first_byte, std::uint32_t offset) {
    const long tries = poll(first_byte);
    if (tries < 0) return lost_;
    cycles_.answered(static_cast<unsigned>(tries));
    cycle_pending_ = false;
    return tries == 0 ? with_result(device_result::no_acknowledge, offset) : device_outcome{};
}

device_outcome ch341_device::probe() {
    if (lost_.result != device_result::done) return lost_;
    return polled(write_byte_for(target_, 0), 0);
}

device_outcome ch341_device::finish_writes() {
    if (lost_.result != device_result::done || !cycle_pending_) return lost_;
    const auto offset = static_cast<std::uint32_t>(last_written_);
    return polled(write_byte_for(target_, offset), offset);
}

// The word address set and the chip turned round to reading, each byte's
// acknowledge read before any data is: a chip busy with its write cycle
// refuses the first byte and is tried again, within the poll's bound.
device_outcome ch341_device::read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) {
    if (lost_.result != device_result::done || out.empty()) return lost_;
    const chip_location at = locate(target_, offset);
    const auto deadline = now() + timing_.i2c_retry_window(target_.profile->write_cycle_ms);
    for (long tries = 1;; ++tries) {
        const auto tried_at = now();
        packets_.start();
        packets_.send_checked(at.first_byte);
        for (int i = 0; i < at.word_bytes; ++i) packets_.send_checked(at.word[i]);
        packets_.start();
        packets_.send_checked(static_cast<std::uint8_t>(at.first_byte | READ_BIT));
        if (exchange() != 0) return lost_;
        bool answered = true;
        for (std::size_t i = 0; i < answers_.size(); ++i) answered = answered && !refused(i);
        if (answered) {
            cycles_.answered(static_cast<unsigned>(tries));
            cycle_pending_ = false;
            return read_data(out, watch);
        }
        // Never read on after a refusal: end the transaction, then try again
        // while the first byte is refused as by a chip in its write cycle.
        packets_.stop();
        if (!refused(0) || tried_at >= deadline) {
            if (exchange() != 0) return lost_;
            return with_result(device_result::no_acknowledge, offset);
        }
    }
}

// Packets of 32 acknowledged bytes, the last byte of the read not
// acknowledged, then a stop; up to READ_PACKETS of them a transfer. A watch
// that says stop ends the read with one more byte, not acknowledged.
device_outcome ch341_device::read_data(std::span<std::uint8_t> out, const read_watch& watch) {
    std::size_t asked = 0;
    while (true) {
        const std::size_t from = asked;
        for (std::size_t p = 0; p < READ_PACKETS && asked < out.size(); ++p) {
            const std::size_t acknowledged = std::min(out.size() - asked - 1, READ_PIECE);
            if (acknowledged > 0) packets_.read(acknowledged);
            asked += acknowledged;
            if (acknowledged < READ_PIECE) {
                packets_.read_last();
                packets_.stop();
                ++asked;
            }
        }
        if (exchange() != 0) return lost_;
        std::copy(answers_.begin(), answers_.end(), out.begin() + static_cast<std::ptrdiff_t>(from));
        for (std::size_t done = from + 1; done <= asked; ++done) {
            if (done == out.size() || (watch && !watch(done))) {
                if (asked < out.size()) {
                    packets_.read_last();
                    packets_.stop();
                    if (exchange() != 0) return lost_;
                }
                return with_result(device_result::done, 0, static_cast<int>(done));
            }
        }
    }
}

// One page transaction in one transfer: every byte's acknowledge comes back
// as its status byte, so a refused one is named.
device_outcome ch341_device::write(std::uint32_t offset, std::span<const std::uint8_t> data) {
    if (lost_.result != device_result::done || data.empty()) return lost_;
    const chip_location at = locate(target_, offset);
    if (device_outcome ready = polled(at.first_byte, offset); ready.result != device_result::done) return ready;
    packets_.start();
    packets_.send_checked(at.first_byte);
    for (int i = 0; i < at.word_bytes; ++i) packets_.send_checked(at.word[i]);
    for (std::uint8_t byte : data) packets_.send_checked(byte);
    packets_.stop();
    if (exchange() != 0) return lost_;
    if (refused(0)) return with_result(device_result::no_acknowledge, offset);
    const std::size_t words = static_cast<std::size_t>(at.word_bytes);
    for (std::size_t i = 1; i < answers_.size(); ++i) {
        if (!refused(i)) continue;
        // What the chip took before the refused byte may be stored.
        cycle_pending_ = i > words + 1;
        device_outcome outcome = with_result(device_result::byte_refused, offset, static_cast<int>(i - 1 - std::min(i - 1, words)));
        outcome.word_address = i <= words;
        outcome.address = static_cast<int>(offset) + outcome.bytes;
        return outcome;
    }
    last_written_ = static_cast<long>(offset + data.size() - 1);
    cycle_pending_ = true;
    cycles_.written();
    return with_result(device_result::done, 0, static_cast<int>(data.size()));
}

// The control byte alone and a stop at each address, in one transfer:
// nothing is written.
device_outcome ch341_device::scan(std::vector<std::uint8_t>& answering) {
    answering.clear();
    if (lost_.result != device_result::done) return lost_;
    for (std::uint8_t address = BASE_BUS_ADDRESS; address < BASE_BUS_ADDRESS + 8; ++address) {
        packets_.start();
        packets_.send_checked(static_cast<std::uint8_t>(address << 1));
        packets_.stop();
    }
    if (exchange() != 0) return lost_;
    for (std::size_t i = 0; i < answers_.size(); ++i)
        if (!refused(i)) answering.push_back(static_cast<std::uint8_t>(BASE_BUS_ADDRESS + i));
    return {};
}

}  // namespace eeprom24c01
