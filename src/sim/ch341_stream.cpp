// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ch341_stream.h"

#include <algorithm>
#include <cerrno>

#include "transport/ch341_link.h"

namespace eeprom24c01 {

ch341_stream::ch341_stream(const sim_chip_config& config, std::span<const std::uint8_t> contents, bool chip_present)
    : master_(chip_present ? &chip_ : nullptr, [this] { return now_us(); },
              [this] {
                  const std::uint64_t period = 1000000000ull / clock_hz();
                  now_ns_ += period;
                  counts_.bus_ns += period;
              }) {
    chip_reset(chip_, config, contents);
    master_.lines(true, true);
}

void ch341_stream::error(const std::string& what) {
    if (counts_.protocol_errors++ == 0) first_error_ = what;
}

bool ch341_stream::present() {
    if (unplugged()) return false;
    ++transfers_;
    return true;
}

int ch341_stream::out_transfer(std::span<const std::uint8_t> data) {
    if (!present()) return ENODEV;
    ++counts_.out_transfers;
    for (std::size_t at = 0; at < data.size(); at += CH341_PACKET_SIZE)
        packet(data.subspan(at, std::min(CH341_PACKET_SIZE, data.size() - at)));
    return 0;
}

int ch341_stream::in_transfer(std::span<std::uint8_t> in) {
    if (!present()) return ENODEV;
    ++counts_.in_transfers;
    wait_ns(CH341_ROUND_TRIP_US * 1000);
    if (in.size() > owed_.size()) {
        error("an IN transfer of " + std::to_string(in.size()) + " bytes with " + std::to_string(owed_.size()) +
              " owed");
        return ETIMEDOUT;
    }
    counts_.in_packets += (in.size() + CH341_PACKET_SIZE - 1) / CH341_PACKET_SIZE;
    counts_.in_bytes += in.size();
    take(in);
    return 0;
}

std::size_t ch341_stream::take(std::span<std::uint8_t> out) {
    std::size_t n = std::min(out.size(), owed_.size());
    std::copy_n(owed_.begin(), n, out.begin());
    owed_.erase(owed_.begin(), owed_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void ch341_stream::packet(std::span<const std::uint8_t> bytes) {
    ++counts_.out_packets;
    counts_.out_bytes += bytes.size();
    if (bytes.empty() || bytes.size() > CH341_PACKET_SIZE || bytes[0] != CH341_STREAM)
        return error("a packet that does not start with 0xAA or is longer than 32 bytes");
    std::size_t read = 0;  // bytes this packet reads
    std::size_t i = 1;
    for (; i < bytes.size() && bytes[i] != CH341_END; ++i) {
        const std::uint8_t command = bytes[i];
        const std::size_t n = command & 0x3F;
        if (command == CH341_STA) {
            master_.start();
        } else if (command == CH341_STO) {
            master_.stop();
        } else if ((command & 0xC0) == CH341_OUT && n <= 32) {
            const std::size_t count = n == 0 ? 1 : n;
            if (i + count >= bytes.size()) return error("an OUT whose bytes straddle the packet's end");
            for (std::size_t k = 1; k <= count; ++k) {
                bool acknowledged = master_.send(bytes[i + k]);
                if (n == 0) owed_.push_back(static_cast<std::uint8_t>((acknowledged ? 0 : CH341_STATUS_NACK) | (junk_++ & 0x7F)));
            }
            i += count;
        } else if ((command & 0xC0) == CH341_IN && n <= 32) {
            const std::size_t count = n == 0 ? 1 : n;
            if ((read += count) > CH341_PACKET_SIZE) return error("a packet that reads more than 32 bytes");
            for (std::size_t k = 0; k < count; ++k) owed_.push_back(master_.receive(n != 0));
        } else if ((command & 0xF0) == CH341_SET) {
            speed_ = command & 3;
        } else if ((command & 0xF0) == CH341_US) {
            wait_ns((command & 0x0F) * 1000ull);
        } else if ((command & 0xF0) == CH341_MS) {
            wait_ns((command & 0x0F) * 1000000ull);
        } else {
            return error("an unknown sub-command");
        }
    }
    if (i == CH341_PACKET_SIZE) ++counts_.full_out_packets;
}

}  // namespace eeprom24c01
