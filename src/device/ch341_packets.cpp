// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ch341_packets.h"

#include "transport/ch341_link.h"
#include "transport/ch341_stream_codes.h"

namespace eeprom24c01 {

void ch341_packets::clear() {
    bytes_.clear();
    owed_ = 0;
    read_in_packet_ = 0;
    ended_ = false;
}

// A packet that ends early inside a transfer is filled with END, so that the
// next one begins where the programmer reads the next 32 bytes.
void ch341_packets::close_packet() {
    if (bytes_.size() % CH341_PACKET_SIZE != 0) bytes_.resize(packets() * CH341_PACKET_SIZE, CH341_END);
}

void ch341_packets::put(std::initializer_list<std::uint8_t> command, std::size_t reads) {
    const std::size_t used = bytes_.size() % CH341_PACKET_SIZE;
    if (used != 0 && (used + command.size() > CH341_PACKET_SIZE || read_in_packet_ + reads > CH341_PACKET_SIZE))
        close_packet();
    if (bytes_.size() % CH341_PACKET_SIZE == 0) {
        bytes_.push_back(CH341_STREAM);
        read_in_packet_ = 0;
    }
    bytes_.insert(bytes_.end(), command);
    read_in_packet_ += reads;
    ended_ = false;
}

void ch341_packets::start() { put({CH341_STA}); }
void ch341_packets::stop() { put({CH341_STO}); }

void ch341_packets::send_checked(std::uint8_t byte) {
    put({CH341_OUT, byte});
    ++owed_;
}

void ch341_packets::read(std::size_t n) {
    put({static_cast<std::uint8_t>(CH341_IN | n)}, n);
    owed_ += n;
}

void ch341_packets::read_last() {
    put({CH341_IN}, 1);
    ++owed_;
}

void ch341_packets::set_clock(unsigned speed) { put({static_cast<std::uint8_t>(CH341_SET | (speed & 3))}); }

const std::vector<std::uint8_t>& ch341_packets::transfer() {
    if (!ended_ && bytes_.size() % CH341_PACKET_SIZE != 0) bytes_.push_back(CH341_END);
    ended_ = true;
    return bytes_;
}

}  // namespace eeprom24c01
