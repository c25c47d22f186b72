// SPDX-License-Identifier: GPL-3.0-or-later
// What the bit-banged device puts on the wire for parts other than the
// board's, and how whole-image writes fall into page transactions: the
// recorder's traffic decoded into the bytes of each transaction.
#include <gtest/gtest.h>

#include <numeric>

#include "eeprom/eeprom.h"
#include "support/recording_port.h"

using namespace eeprom24c01;
namespace {

using values = std::vector<std::uint8_t>;

// The master's bytes of each transaction, from every start (or repeated
// start) on: the data register's bit 7 at each rise of SCL, in 9-bit slots
// whose ninth is the acknowledge clock.
std::vector<values> transactions(const recording_port& port) {
    std::vector<values> out;
    bool scl = false, sda = true;
    int bits = 0;
    std::uint8_t shift = 0;
    for (const port_event& e : port.events) {
        if (e.kind != port_op::write) continue;
        if (e.reg == LPT_DATA) {
            bool level = (e.value & SDA_OUT_BIT) != 0;
            if (scl && sda && !level) {
                out.emplace_back();
                bits = 0;
            }
            sda = level;
        } else {
            bool rising = !scl && (e.value & SCL_OUT_BIT);
            scl = (e.value & SCL_OUT_BIT) != 0;
            if (!rising || out.empty() || bits++ % 9 == 8) continue;
            shift = static_cast<std::uint8_t>(shift << 1 | sda);
            if (bits % 9 == 8) out.back().push_back(shift);
        }
    }
    return out;
}

struct part_on_recorder {
    recording_port port;
    parallel_device device;
    explicit part_on_recorder(const char* chip) : device(port, target_of(chip)) { port.status_after_script = 0x00; }
};

TEST(PartTraffic, ControlBytesAndWordAddressesOfEachAddressingStyle) {
    struct traffic_case {
        const char* chip;
        std::uint32_t offset;
        values opening;  // the write transaction's first bytes
    } cases[] = {
        {"at24c16", 0x7F0, {0xAE, 0xF0}},        // A2..A0 carry bits 10..8
        {"at24c256", 0x1234, {0xA0, 0x12, 0x34}},  // two address bytes
        {"at24c01", 0x05, {0x0A}},               // the word address and R/W, no device code
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chip);
        part_on_recorder rec(c.chip);
        values data{0x11, 0x22};
        ASSERT_EQ(rec.device.write(c.offset, data).result, device_result::done);
        values expected = c.opening;
        expected.insert(expected.end(), data.begin(), data.end());
        // The acknowledged poll is the write's own opening.
        EXPECT_EQ(transactions(rec.port), (std::vector<values>{expected}));

        rec.port.clear();
        std::uint8_t byte = 0;
        ASSERT_EQ(rec.device.read(c.offset, {&byte, 1}, {}).result, device_result::done);
        auto reads = transactions(rec.port);
        ASSERT_EQ(reads.size(), 2u);
        EXPECT_EQ(reads[0], c.opening);
        EXPECT_EQ(reads[1][0], c.opening[0] | 1) << "the repeated start's read byte";
    }
}

// Page transactions: each within one page, and with held only the runs
// that differ.
TEST(PartTraffic, WholeImageWritesFallIntoPageTransactions) {
    struct write_case {
        const char* name;
        const char* chip;
        int changed;  // bytes of held that differ from the image: -1 for no held at all
        std::size_t transactions, bytes;
    } cases[] = {
        {"every byte of an 8-byte-page part", "at24c01a", -1, 16, 128},
        {"every byte, one at a time", "24c01", -1, 128, 128},
        {"an identical image", "at24c01a", 0, 0, 0},
        {"one changed byte", "at24c01a", 1, 1, 1},
        {"two bytes of one page", "at24c01a", 2, 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        part_on_recorder rec(c.chip);
        values image(128);
        std::iota(image.begin(), image.end(), 0);
        values held = image;
        if (c.changed >= 1) held[0x43] = 0xFF;
        if (c.changed >= 2) held[0x46] = 0xFF;
        device_outcome outcome = write_image(rec.device, image, c.changed < 0 ? values{} : held);
        EXPECT_EQ(outcome.result, device_result::done);
        EXPECT_EQ(outcome.bytes, static_cast<int>(c.bytes));
        std::size_t sent = 0, writes = 0;
        for (const values& t : transactions(rec.port)) {
            if (t.size() < 3) continue;  // polls
            ++writes;
            EXPECT_EQ(t[1] / 8, (t[1] + t.size() - 3) / 8) << "crosses a page at " << int(t[1]);
            sent += t.size() - 2;
        }
        EXPECT_EQ(writes, c.transactions);
        EXPECT_EQ(sent, c.bytes);
    }
}

}  // namespace
