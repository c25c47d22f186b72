// SPDX-License-Identifier: GPL-3.0-or-later
// Exact register sequences of the bus primitives, on the recording port.
#include <gtest/gtest.h>

#include "bus/bus.h"
#include "bus/timing.h"
#include "bus/ack_poll.h"
#include "chip/control_byte.h"
#include "support/recording_port.h"

using namespace eeprom24c01;
namespace {

using values = std::vector<std::uint8_t>;

port_event D(std::uint8_t v) { return {port_op::write, LPT_DATA, v}; }
port_event C(std::uint8_t v) { return {port_op::write, LPT_CONTROL, v}; }
port_event R(std::uint8_t v) { return {port_op::read, LPT_STATUS, v}; }
const port_event delay{port_op::bit_delay};

// Every write followed by its bit delay.
std::vector<port_event> paced(std::initializer_list<port_event> writes) {
    std::vector<port_event> out;
    for (const auto& w : writes) {
        out.push_back(w);
        out.push_back(delay);
    }
    return out;
}

std::vector<port_event> join(std::initializer_list<std::vector<port_event>> parts) {
    std::vector<port_event> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<port_event> start_sequence() { return paced({D(0x80), C(0x04), D(0x00), C(0x00)}); }
std::vector<port_event> bit_sequence(std::uint8_t v) { return paced({D(v), C(0x04), C(0x00)}); }

class BusPrimitives : public ::testing::Test {
protected:
    recording_fixture_port rec;
    recording_port& port = rec.port;
    two_wire_bus& bus = rec.bus;
};

TEST_F(BusPrimitives, FixedLineSequences) {
    bus.start();
    EXPECT_EQ(port.events, start_sequence());
    port.clear();
    bus.restart();
    EXPECT_EQ(port.events, join({paced({C(0x04)}), start_sequence()}));
    port.clear();
    bus.ack_clock();
    EXPECT_EQ(port.events, bit_sequence(0x80));
    port.clear();
    bus.master_ack();
    EXPECT_EQ(port.events, paced({C(0x00), D(0x00), C(0x00), C(0x04), C(0x00), D(0x80)}));
    port.clear();
    bus.master_nack();
    EXPECT_EQ(port.events, paced({C(0x00), D(0x80), C(0x00), C(0x04), C(0x00), D(0x80)}));
    port.clear();
    bus.stop();
    EXPECT_EQ(port.events, paced({D(0x00), C(0x04), D(0x80), C(0x00), D(0x00)}));
    EXPECT_EQ(port.writes_to(LPT_DATA).back(), 0x00);
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x00);
    port.clear();
    bus.idle();
    EXPECT_EQ(port.events, paced({D(0x80), C(0x04)}));
}

TEST_F(BusPrimitives, SendByteShiftsTheWholeByteThroughBit7) {
    bus.send_byte(0x5A);
    EXPECT_EQ(port.writes_to(LPT_DATA), (values{0x5A, 0xB4, 0x68, 0xD0, 0xA0, 0x40, 0x80, 0x00}));
    values pulses;
    for (int k = 0; k < 8; ++k) pulses.insert(pulses.end(), {0x04, 0x00});
    EXPECT_EQ(port.writes_to(LPT_CONTROL), pulses);
    EXPECT_EQ(port.count(port_op::write), 24u);
    EXPECT_EQ(port.count(port_op::bit_delay), 24u);
    EXPECT_EQ(port.count(port_op::read), 0u);
}

TEST_F(BusPrimitives, SendFixedByteWritesOnlyFullLevels) {
    bus.send_fixed_byte(0x5A);
    EXPECT_EQ(port.writes_to(LPT_DATA), (values{0x00, 0x80, 0x00, 0x80, 0x80, 0x00, 0x80, 0x00}));
    port.clear();
    bus.send_fixed_byte(DEVICE_READ);
    EXPECT_EQ(port.writes_to(LPT_DATA), (values{0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x80}));
    std::vector<port_event> expected;
    for (std::uint8_t v : values{0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x80}) {
        auto bit = bit_sequence(v);
        expected.insert(expected.end(), bit.begin(), bit.end());
    }
    EXPECT_EQ(port.events, expected);
}

TEST_F(BusPrimitives, ReceiveByteTakesOnlyStatusBit6) {
    port.status_script = {0x40, 0x00, 0x40, 0x40, 0x00, 0x00, 0x40, 0x00};
    EXPECT_EQ(bus.receive_byte(), 0xB2);
    std::vector<port_event> one_bit = join({paced({C(0x00), C(0x04)}), {R(0x40), delay}});
    EXPECT_EQ(std::vector<port_event>(port.events.begin(), port.events.begin() + 6), one_bit);
    EXPECT_EQ(port.count(port_op::write), 16u);
    EXPECT_EQ(port.count(port_op::read), 8u);
    EXPECT_EQ(port.count(port_op::bit_delay), 24u);
    EXPECT_TRUE(port.writes_to(LPT_DATA).empty());
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x04);

    port.status_after_script = 0xBF;
    EXPECT_EQ(bus.receive_byte(), 0x00);
    port.status_after_script = 0xFF;
    EXPECT_EQ(bus.receive_byte(), 0xFF);
}

std::vector<port_event> poll_attempt(std::uint8_t status) {
    std::vector<port_event> seq = start_sequence();
    for (std::uint8_t v : values{0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}) {
        auto bit = bit_sequence(v);
        seq.insert(seq.end(), bit.begin(), bit.end());
    }
    auto ack = paced({D(0x80), C(0x04)});
    seq.insert(seq.end(), ack.begin(), ack.end());
    seq.push_back(R(status));
    return seq;
}

TEST_F(BusPrimitives, PollAckRepeatsStartWithoutStopUntilAcknowledged) {
    port.status_script = {0x40, 0x40, 0x00};
    EXPECT_TRUE(poll_ack(bus, DEVICE_WRITE));
    EXPECT_EQ(port.events, join({poll_attempt(0x40), poll_attempt(0x40), poll_attempt(0x00), paced({C(0x00)})}));
    EXPECT_EQ(port.count(port_op::write), 3u * 30 + 1);
}

TEST_F(BusPrimitives, PollAckLooksOnlyAtBit6) {
    port.status_script = {0xBF};
    EXPECT_TRUE(poll_ack(bus, DEVICE_WRITE));
    EXPECT_EQ(port.count(port_op::read), 1u);
}

TEST_F(BusPrimitives, PollAckGivesUpOnASilentDeviceWithSclLow) {
    port.status_after_script = 0x40;
    EXPECT_FALSE(poll_ack(bus, DEVICE_WRITE));
    EXPECT_EQ(port.count(port_op::read), POLL_ACK_ATTEMPTS);
    EXPECT_EQ(port.events.back(), delay);
    EXPECT_EQ(port.events[port.events.size() - 2], C(0x00));
    // Its bound, at the nominal 5 us a bit delay, is well past any write cycle.
    EXPECT_GE(port.count(port_op::bit_delay) * 5, 50000u);
}

TEST_F(BusPrimitives, ControlRegisterIsOnlyEverWrittenWhole) {
    port.status_script = {0x40, 0x00};
    bus.start();
    bus.send_byte(0xFF);
    bus.ack_clock();
    poll_ack(bus, DEVICE_WRITE);
    bus.receive_byte();
    bus.master_ack();
    bus.stop();
    bus.restart();
    bus.idle();
    for (std::uint8_t v : port.writes_to(LPT_CONTROL)) EXPECT_TRUE(v == 0x04 || v == 0x00) << int(v);
}

TEST_F(BusPrimitives, WaitsEndAtTheirCountWhateverTheCounterHeld) {
    bus.waits().counter = 0xFFFFFFF0u;
    bus.waits().bit_delay();
    EXPECT_EQ(bus.waits().counter, 100u);
    bus.waits().counter = 12345;
    bus.write_cycle_wait();
    EXPECT_EQ(bus.waits().counter, 10000u);
    EXPECT_EQ(port.events, (std::vector<port_event>{delay, {port_op::write_cycle}}));
}

}  // namespace
