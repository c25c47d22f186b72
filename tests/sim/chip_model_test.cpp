// SPDX-License-Identifier: GPL-3.0-or-later
// The 24Cxx model driven by hand-written line sequences, independent of the
// tool's bus code.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/chip24cxx.h"

using namespace eeprom24c01;
namespace {

constexpr std::uint64_t STEP_US = 5;

// A master at the level of the two lines.
struct line_master {
    sim_chip chip;
    std::uint64_t now = 0;
    bool scl_level = false;
    bool sda_level = false;

    // Byte i holds 0x80 + i (modulo 256).
    explicit line_master(const sim_chip_config& config = default_sim_chip()) {
        std::vector<std::uint8_t> contents(config.size());
        for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<std::uint8_t>(0x80 + i);
        chip_reset(chip, config, contents);
    }
    void lines(bool scl, bool sda) {
        scl_level = scl;
        sda_level = sda;
        now += STEP_US;
        chip_lines(chip, scl, sda, now);
    }
    void scl(bool v) { lines(v, sda_level); }
    void sda(bool v) { lines(scl_level, v); }
    bool wire() const { return chip_bus_sda(chip); }

    void start() {
        sda(true);
        scl(true);
        sda(false);
        scl(false);
    }
    // Leaves both lines high.
    void stop() {
        sda(false);
        scl(true);
        sda(true);
    }
    // One clock with bit on SDA; returns the wire's level while SCL is high.
    bool clock(bool bit) {
        sda(bit);
        scl(true);
        bool seen = wire();
        scl(false);
        return seen;
    }
    void send_bits(std::uint8_t byte, int count) {
        for (int k = 0; k < count; ++k) clock(((byte << k) & 0x80) != 0);
    }
    // Eight bits and the ninth clock; true when the chip acknowledged.
    bool send(std::uint8_t byte) {
        send_bits(byte, 8);
        return !clock(true);
    }
    std::uint8_t receive(bool acknowledge) {
        std::uint8_t byte = 0;
        for (int k = 0; k < 8; ++k) byte = static_cast<std::uint8_t>((byte << 1) | (clock(true) ? 1 : 0));
        clock(!acknowledge);
        return byte;
    }
    void wait_us(std::uint64_t us) { now += us; }

    // After a START, bytes up to the first one not acknowledged; true when
    // all were. No STOP.
    bool send_all(const std::vector<std::uint8_t>& bytes) {
        start();
        for (auto b : bytes)
            if (!send(b)) return false;
        return true;
    }
    // A read: the head (control byte and word address) if any, then a
    // repeated START and first_byte; count bytes, the last one not acknowledged.
    std::vector<std::uint8_t> read_from(const std::vector<std::uint8_t>& head, std::uint8_t first_byte, int count) {
        if (!head.empty()) {
            EXPECT_TRUE(send_all(head));
            scl(false);
        }
        EXPECT_TRUE(send_all({first_byte}));
        std::vector<std::uint8_t> got;
        for (int i = 0; i < count; ++i) got.push_back(receive(i + 1 < count));
        stop();
        return got;
    }

    bool write_bytes(std::uint8_t address, std::initializer_list<std::uint8_t> bytes) {
        start();
        bool ok = send(0xA0) && send(address);
        for (auto b : bytes) ok = ok && send(b);
        stop();
        return ok;
    }
    // Random read of count bytes from address, the last one not acknowledged.
    std::vector<std::uint8_t> read_bytes(std::uint8_t address, int count) {
        start();
        EXPECT_TRUE(send(0xA0));
        EXPECT_TRUE(send(address));
        scl(false);
        start();
        EXPECT_TRUE(send(0xA1));
        std::vector<std::uint8_t> got;
        for (int i = 0; i < count; ++i) got.push_back(receive(i + 1 < count));
        stop();
        return got;
    }
};

TEST(ChipModel, ByteWriteCommitsAtStopAndReadsBack) {
    line_master m;
    m.start();
    EXPECT_TRUE(m.send(0xA0));
    EXPECT_TRUE(m.send(0x85));  // the top bit of the word address is ignored
    EXPECT_TRUE(m.send(0x3C));
    EXPECT_EQ(m.chip.memory[5], 0x85) << "nothing is written before the STOP";
    m.stop();
    EXPECT_EQ(m.chip.memory[5], 0x3C);
    EXPECT_TRUE(m.chip.changed);
    m.wait_us(CHIP_WRITE_CYCLE_US);
    EXPECT_EQ(m.read_bytes(5, 1), std::vector<std::uint8_t>{0x3C});
}

TEST(ChipModel, ForeignDeviceTypeIsIgnoredUntilTheNextStart) {
    line_master m;
    m.start();
    EXPECT_FALSE(m.send(0x50));
    EXPECT_FALSE(m.send(0xA0)) << "no START came between";
    m.start();
    EXPECT_TRUE(m.send(0xA0));
    m.start();
    EXPECT_FALSE(m.send(0xA2)) << "chip select 001 is another chip";
}

TEST(ChipModel, StartInTheMiddleOfAByteBeginsAFreshControlByte) {
    line_master m;
    m.start();
    m.send_bits(0xA0, 4);
    m.scl(false);
    m.start();
    EXPECT_TRUE(m.send(0xA0));
}

TEST(ChipModel, StopInTheMiddleOfADataByteWritesNothing) {
    line_master m;
    m.start();
    EXPECT_TRUE(m.send(0xA0));
    EXPECT_TRUE(m.send(3));
    m.send_bits(0x00, 4);
    m.stop();
    EXPECT_EQ(m.chip.memory[3], 0x83);
    EXPECT_FALSE(m.chip.changed);
    m.start();
    EXPECT_TRUE(m.send(0xA0)) << "no write cycle was started";
}

TEST(ChipModel, AcknowledgePollingFailsUntilTheWriteCycleEnds) {
    line_master m;
    m.chip.config.write_cycle_us = 8000;  // a slow part
    ASSERT_TRUE(m.write_bytes(9, {0x11}));
    std::uint64_t stopped = m.now;
    int attempts = 0;
    for (;;) {
        m.start();
        ++attempts;
        if (m.send(0xA0)) break;
        ASSERT_LT(attempts, 1000);
    }
    EXPECT_GT(attempts, 1);
    EXPECT_GE(m.now - stopped, 8000u);
    EXPECT_LT(m.now - stopped, 8000u + 100 * STEP_US);
}

TEST(ChipModel, PageWriteWrapsInsideItsEightBytePage) {
    line_master m;
    ASSERT_TRUE(m.write_bytes(13, {1, 2, 3, 4, 5}));
    const std::uint8_t* mem = m.chip.memory.data();
    EXPECT_EQ(mem[13], 1);
    EXPECT_EQ(mem[14], 2);
    EXPECT_EQ(mem[15], 3);
    EXPECT_EQ(mem[8], 4);
    EXPECT_EQ(mem[9], 5);
    EXPECT_EQ(mem[10], 0x8A);
    EXPECT_EQ(mem[16], 0x90);
    EXPECT_EQ(mem[12], 0x8C);
}

TEST(ChipModel, SequentialReadWrapsFrom127To0) {
    line_master m;
    EXPECT_EQ(m.read_bytes(126, 4), (std::vector<std::uint8_t>{0xFE, 0xFF, 0x80, 0x81}));
}

TEST(ChipModel, CurrentAddressSurvivesBetweenTransactions) {
    line_master m;
    m.read_bytes(40, 2);  // leaves the counter at 42
    m.start();
    ASSERT_TRUE(m.send(0xA1));
    EXPECT_EQ(m.receive(false), 0x80 + 42);
    m.stop();
}

TEST(ChipModel, StopAfterAnAcknowledgedLastByteIsLostWhenTheNextBitIsZero) {
    line_master m;
    // Byte 127 acknowledged: the chip goes on with byte 0, whose top bit 0
    // it puts on SDA as soon as SCL falls.
    m.chip.memory[0] = 0x00;
    m.read_bytes(126, 1);  // counter at 127
    m.start();
    ASSERT_TRUE(m.send(0xA1));
    EXPECT_EQ(m.receive(true), 0xFF);
    m.stop();
    EXPECT_FALSE(m.wire()) << "the chip drives bit 7 of byte 0";
    EXPECT_EQ(m.chip.state, chip_state::data_out) << "the STOP was not seen";
}

TEST(ChipModel, StopAfterANoAcknowledgeIsSeen) {
    line_master m;
    m.chip.memory[0] = 0x00;
    m.read_bytes(126, 1);
    m.start();
    ASSERT_TRUE(m.send(0xA1));
    EXPECT_EQ(m.receive(false), 0xFF);
    m.stop();
    EXPECT_TRUE(m.wire());
    EXPECT_EQ(m.chip.state, chip_state::standby);
}

TEST(ChipModel, FaultAcknowledgeLimitSilencesTheChip) {
    line_master m;
    m.chip.ack_limit = 2;
    m.start();
    EXPECT_TRUE(m.send(0xA0));
    EXPECT_TRUE(m.send(0x01));
    EXPECT_FALSE(m.send(0x55));
    m.stop();
    EXPECT_EQ(m.chip.memory[1], 0x81);
}

TEST(ChipModel, FaultStuckBitShowsInEveryWrite) {
    line_master m;
    m.chip.stuck_mask = 0x10;
    m.chip.stuck_value = 0x10;
    ASSERT_TRUE(m.write_bytes(2, {0x00}));
    EXPECT_EQ(m.chip.memory[2], 0x10);
}

sim_chip_config part(const char* name, std::uint8_t bus_address = BASE_BUS_ADDRESS) {
    const chip_profile* p = find_chip(name);
    EXPECT_NE(p, nullptr) << name;
    return sim_chip_config_for({p, p->page_size, bus_address});
}

// The bytes on the wire for each addressing style, written out by hand.
TEST(ChipFamily, EachAddressingStyleWritesAndReadsItsOffset) {
    struct addressing_case {
        const char* chip;
        std::uint8_t bus_address;
        std::uint32_t offset;
        std::vector<std::uint8_t> head;  // control byte and word address of a write
        std::uint8_t read_byte;          // after a repeated START
        std::vector<std::uint8_t> read_head;
    } cases[] = {
        {"24c16", 0x50, 0x7F0, {0xAE, 0xF0}, 0xAF, {0xAE, 0xF0}},           // block bits 111
        {"24c04", 0x52, 0x1FE, {0xA6, 0xFE}, 0xA7, {0xA6, 0xFE}},           // select A2 A1, block A0
        {"24c256", 0x57, 0x1234, {0xAE, 0x12, 0x34}, 0xAF, {0xAE, 0x12, 0x34}},
        {"at24c01", 0x50, 0x05, {0x0A}, 0x0B, {}},                           // no device code
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        line_master m(part(c.chip, c.bus_address));
        std::vector<std::uint8_t> before = m.chip.memory;
        std::vector<std::uint8_t> write = c.head;
        write.insert(write.end(), {0x11, 0x22});
        EXPECT_TRUE(m.send_all(write));
        m.stop();
        before[c.offset] = 0x11;
        before[c.offset + 1] = 0x22;
        EXPECT_EQ(m.chip.memory, before) << "the two bytes landed at the offset and nowhere else";
        m.wait_us(CHIP_WRITE_CYCLE_US);
        std::uint8_t third = static_cast<std::uint8_t>(0x80 + c.offset + 2);
        EXPECT_EQ(m.read_from(c.read_head, c.read_byte, 3), (std::vector<std::uint8_t>{0x11, 0x22, third}));
    }
}

TEST(ChipFamily, AnswersOnlyItsOwnBusAddressWithBlockBitsFree) {
    struct select_case {
        const char* chip;
        std::uint8_t bus_address;
        std::uint8_t control;
        bool answers;
    } cases[] = {
        {"24c02", 0x53, 0xA6, true},   {"24c02", 0x53, 0xA0, false}, {"24c04", 0x52, 0xA6, true},
        {"24c04", 0x52, 0xA0, false},  {"24c16", 0x50, 0xAE, true},  {"24c16", 0x50, 0xBE, false},
        {"24c256", 0x57, 0xAE, true},  {"24c256", 0x57, 0xA0, false}, {"at24c01", 0x50, 0x5E, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chip << " control " << int(c.control));
        line_master m(part(c.chip, c.bus_address));
        EXPECT_EQ(m.send_all({c.control}), c.answers);
    }
}

// Page sizes: an exact part's datasheet page, a generic name's smallest of
// its density. A page's worth from two before its end: all but two wrap.
TEST(ChipFamily, WritePastThePageEndWrapsToItsStart) {
    struct page_case {
        const char* chip;
        std::uint32_t page;
    } cases[] = {{"24c01", 8}, {"m24c01", 16}, {"at24c01", 4}, {"24c02", 8}, {"24c32", 32}, {"24lc256", 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        sim_chip_config config = part(c.chip);
        EXPECT_EQ(config.page_size, c.page);
        line_master m(config);
        std::uint32_t offset = 3 * c.page - 2;
        chip_location at = locate(config.target, offset);
        std::vector<std::uint8_t> write{at.first_byte};
        write.insert(write.end(), at.word, at.word + at.word_bytes);
        for (std::uint32_t i = 0; i < c.page; ++i) write.push_back(static_cast<std::uint8_t>(i));
        EXPECT_TRUE(m.send_all(write));
        m.stop();
        for (std::uint32_t i = 0; i < c.page; ++i) {
            std::uint32_t cell = 2 * c.page + (offset + i) % c.page;
            EXPECT_EQ(m.chip.memory[cell], i) << "cell " << cell;
        }
    }
}

TEST(ChipFamily, SequentialReadWrapsAtTheEndOfTheWholeMemory) {
    line_master m(part("24c256"));
    EXPECT_EQ(m.read_from({0xA0, 0x7F, 0xFF}, 0xA1, 2), (std::vector<std::uint8_t>{0x7F, 0x80}));
}

}  // namespace
