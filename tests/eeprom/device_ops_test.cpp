// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-device write, read and verify: exact traffic on the recording port,
// and round trips through the simulated chip.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "app/device_texts.h"
#include "app/menu_actions.h"
#include "bus/ack_poll.h"
#include "chip/control_byte.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "sim/sim_board.h"
#include "support/recording_port.h"
#include "support/expected_output.h"

using namespace eeprom24c01;
namespace {

using values = std::vector<std::uint8_t>;

constexpr int IMAGE_SIZE = 128;

// The register writes between two events of the log.
values data_writes(const recording_port& port, std::size_t from, std::size_t to) {
    values v;
    for (std::size_t i = from; i < to; ++i)
        if (port.events[i].kind == port_op::write && port.events[i].reg == LPT_DATA) v.push_back(port.events[i].value);
    return v;
}

std::vector<std::size_t> positions_of(const recording_port& port, port_op kind) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < port.events.size(); ++i)
        if (port.events[i].kind == kind) at.push_back(i);
    return at;
}

class DeviceOnRecorder : public ::testing::Test {
protected:
    recording_fixture_port rec;
    recording_port& port = rec.port;
    two_wire_bus& bus = rec.bus;
    menu_session session{rec.device};
    values& image_buffer = session.image;
    values& readback_buffer = session.readback;
    // Runs a menu action on a healthy board: its line test passes, and the
    // log then holds what follows it.
    std::string output_of(void (*action)(menu_session&)) {
        port.status_script.insert(port.status_script.begin(), {0x00, 0x40});
        auto from = static_cast<std::ptrdiff_t>(port.events.size());
        testing::internal::CaptureStdout();
        action(session);
        std::string out = testing::internal::GetCapturedStdout();
        if (port.claims == 0 || !port.refusal.empty()) return out;
        const port_event delay{port_op::bit_delay};
        const std::vector<port_event> line_test{
            {port_op::write, LPT_CONTROL, 0x00}, delay, {port_op::write, LPT_DATA, 0x00}, delay,
            {port_op::read, LPT_STATUS, 0x00},   delay, {port_op::write, LPT_CONTROL, 0x00}, delay,
            {port_op::write, LPT_DATA, 0x80},    delay, {port_op::read, LPT_STATUS, 0x40},   delay};
        auto start = port.events.begin() + from;
        EXPECT_TRUE(port.events.end() - start >= 12 && std::equal(line_test.begin(), line_test.end(), start));
        port.events.erase(start, start + std::min<std::ptrdiff_t>(port.events.end() - start, 12));
        return out;
    }
};

TEST_F(DeviceOnRecorder, WriteSendsWordAddressThenDataForEachByte) {
    port.status_after_script = 0x00;
    image_buffer[1] = 0x00;
    // A recorder that answers every poll at once is a chip that took no
    // write cycle: the menu says so, its traffic unchanged.
    EXPECT_EQ(output_of(write_eeprom), std::string(WRITE_PROTECTED_TEXT) + "\n");
    auto reads = positions_of(port, port_op::read);
    auto cycles = positions_of(port, port_op::write_cycle);
    ASSERT_EQ(reads.size(), 129u);
    ASSERT_EQ(cycles.size(), 128u);
    values expected{0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x80};
    expected.insert(expected.end(), 8, 0x00);
    expected.insert(expected.end(), {0x80, 0x00, 0x80, 0x00});
    EXPECT_EQ(data_writes(port, reads[1], cycles[1]), expected);
    EXPECT_EQ(port.count(port_op::write), 128u * 90 + 31 + 5 + 2);
    EXPECT_EQ(port.count(port_op::bit_delay), port.count(port_op::write));
}

TEST_F(DeviceOnRecorder, WriteWaitsForTheLastByteThenStopsAndIdles) {
    port.status_after_script = 0x00;
    output_of(write_eeprom);
    auto cycles = positions_of(port, port_op::write_cycle);
    std::vector<port_event> tail(port.events.begin() + static_cast<long>(cycles.back()) + 1, port.events.end());
    // One poll attempt (30 writes, a read, the ninth clock's fall), then
    // stop and idle.
    ASSERT_EQ(tail.size(), 30u * 2 + 1 + 2 + 5 * 2 + 2 * 2);
    EXPECT_EQ(tail[60].kind, port_op::read);
    values last_writes = data_writes(port, cycles.back(), port.events.size());
    EXPECT_EQ(values(last_writes.end() - 4, last_writes.end()), (values{0x00, 0x80, 0x00, 0x80}));
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x04);
    EXPECT_EQ(port.claims, 1);
    EXPECT_EQ(port.action_ends, 1);
}

TEST_F(DeviceOnRecorder, BusyChipIsPolledUntilItAcknowledges) {
    port.status_script = {0x00, 0x00, 0x00, 0x40, 0x40, 0x00};
    port.status_after_script = 0x00;
    image_buffer[3] = 0x96;
    output_of(write_eeprom);
    auto reads = positions_of(port, port_op::read);
    auto cycles = positions_of(port, port_op::write_cycle);
    ASSERT_EQ(reads.size(), 131u);
    // Address 3: three attempts, the same 30 writes each and no stop between.
    values attempt = data_writes(port, cycles[2], reads[3]);
    EXPECT_EQ(attempt, (values{0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(data_writes(port, reads[3], reads[4]), attempt);
    EXPECT_EQ(data_writes(port, reads[4], reads[5]), attempt);
    values body = data_writes(port, reads[5], cycles[3]);
    ASSERT_EQ(body.size(), 21u);
    EXPECT_EQ(body[0], 0x03);
    EXPECT_EQ(body[9], 0x96);
    EXPECT_EQ(port.count(port_op::write), 128u * 90 + 2 * 30 + 31 + 5 + 2);
}

TEST_F(DeviceOnRecorder, SilentChipEndsTheWriteWithAMessage) {
    port.status_after_script = 0x40;
    EXPECT_EQ(output_of(write_eeprom),
              "No acknowledge from the EEPROM at address 0: check the board, its power and the cable.\n");
    EXPECT_EQ(port.count(port_op::read), POLL_ACK_ATTEMPTS);
    EXPECT_EQ(port.count(port_op::write_cycle), 0u);
    EXPECT_EQ(port.writes_to(LPT_DATA).back(), 0x80);
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x04);
    EXPECT_EQ(port.action_ends, 1);
}

TEST_F(DeviceOnRecorder, RefusedPortIsLeftAlone) {
    port.refusal = "Cannot use the parallel port X: denied.\n";
    EXPECT_EQ(output_of(write_eeprom), port.refusal);
    EXPECT_EQ(output_of(read_eeprom_to_buffer), port.refusal);
    EXPECT_EQ(output_of(verify_eeprom), port.refusal);
    EXPECT_TRUE(port.events.empty());
    EXPECT_EQ(port.claims, 3);
}

// The read as it was before it opened with a poll: start, DEVICE_WRITE and a
// clocked acknowledge that nobody reads.
void read_without_poll(two_wire_bus& bus, values& buffer) {
    bus.start();
    bus.send_fixed_byte(DEVICE_WRITE);
    bus.ack_clock();
    bus.send_fixed_byte(0x00);
    bus.ack_clock();
    bus.restart();
    bus.send_fixed_byte(DEVICE_READ);
    bus.ack_clock();
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        buffer[i] = bus.receive_byte();
        if (i == IMAGE_SIZE - 1) bus.master_nack();
        else bus.master_ack();
    }
    bus.stop();
}

TEST_F(DeviceOnRecorder, ReadOpensWithAPollAndIsOtherwiseTheSameTraffic) {
    port.status_script = {0x00};
    device_outcome outcome = read_image(rec.device, image_buffer);
    EXPECT_EQ(outcome.result, device_result::done);
    EXPECT_EQ(outcome.bytes, IMAGE_SIZE);
    std::vector<port_event> opened = port.events;
    port.clear();
    read_without_poll(bus, readback_buffer);
    std::vector<port_event> old = port.events;
    // The poll's status read at the ninth clock is the only access more.
    ASSERT_EQ(opened[60], (port_event{port_op::read, LPT_STATUS, 0x00}));
    opened.erase(opened.begin() + 60);
    EXPECT_EQ(opened, old);
    EXPECT_EQ(port.count(port_op::write), 90u + 128 * 22 + 5);
    EXPECT_EQ(port.writes_to(LPT_DATA).back(), 0x00);
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x00);
}

TEST_F(DeviceOnRecorder, SilentChipEndsReadAndVerifyWithTheBuffersUntouched) {
    port.status_after_script = 0x40;
    std::ranges::fill(image_buffer, 0x55);
    std::ranges::fill(readback_buffer, 0x66);
    const std::string message = "No acknowledge from the EEPROM: check the board, its power and the cable.\n";
    EXPECT_EQ(output_of(read_eeprom_to_buffer), message);
    EXPECT_EQ(port.count(port_op::read), POLL_ACK_ATTEMPTS);
    EXPECT_EQ(output_of(verify_eeprom), message);
    EXPECT_EQ(std::ranges::count(image_buffer, 0x55), IMAGE_SIZE);
    EXPECT_EQ(std::ranges::count(readback_buffer, 0x66), IMAGE_SIZE);
    // A stop, then the lines idle.
    values data = port.writes_to(LPT_DATA);
    EXPECT_EQ(values(data.end() - 4, data.end()), (values{0x00, 0x80, 0x00, 0x80}));
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x04);
}

TEST_F(DeviceOnRecorder, OnlyTheLastByteReadIsNotAcknowledged) {
    port.status_script = {0x00};
    read_image(rec.device, image_buffer);
    auto reads = positions_of(port, port_op::read);
    reads.erase(reads.begin());  // the poll's
    for (int byte = 0; byte < IMAGE_SIZE; ++byte) {
        std::size_t last_bit = reads[byte * 8 + 7];
        std::size_t next = byte + 1 < IMAGE_SIZE ? reads[(byte + 1) * 8] : port.events.size();
        values answer = data_writes(port, last_bit, next);
        std::uint8_t held = byte == IMAGE_SIZE - 1 ? 0x80 : 0x00;
        EXPECT_EQ(answer[0], held) << "byte " << byte;
        EXPECT_EQ(answer[1], 0x80);
    }
}

TEST_F(DeviceOnRecorder, ReadTakesStatusBit6Only) {
    port.status_after_script = 0xBF;
    std::ranges::fill(image_buffer, 0x55);
    std::string out = output_of(read_eeprom_to_buffer);
    EXPECT_EQ(std::ranges::count(image_buffer, 0x00), IMAGE_SIZE);
    EXPECT_EQ(out.size(), 1105u);
    EXPECT_EQ(port.count(port_op::write), 90u + 128 * 22 + 5 + 2);

    port.status_after_script = 0xFF;
    port.status_script = {0x00};
    for (int i = 0; i < IMAGE_SIZE; ++i) port.status_script.insert(port.status_script.end(), {0x40, 0x00, 0x40, 0x40, 0x00, 0x00, 0x40, 0x00});
    read_image(rec.device, image_buffer);
    EXPECT_EQ(std::ranges::count(image_buffer, 0xB2), IMAGE_SIZE);
}

TEST_F(DeviceOnRecorder, VerifyReportsEveryEqualByteUpToTheFirstDifference) {
    std::ranges::fill(image_buffer, 0xFF);
    port.status_script = {0x00};
    EXPECT_EQ(output_of(verify_eeprom), repeat("Verify O.K.\n", 128));
    EXPECT_EQ(port.writes_to(LPT_CONTROL).back(), 0x04);

    image_buffer[0] = 0x00;
    image_buffer[1] = 0x00;
    port.status_script = {0x00};
    EXPECT_EQ(output_of(verify_eeprom), " ERROR: ADDRESS   WRITE DATA   READ DATA\n"
                                        "          0         0            ff   \n");

    std::ranges::fill(image_buffer, 0xB2);
    image_buffer[5] = 0x00;
    image_buffer[9] = 0x00;
    port.status_script = {0x00};
    for (int i = 0; i < IMAGE_SIZE; ++i) port.status_script.insert(port.status_script.end(), {0x40, 0x00, 0x40, 0x40, 0x00, 0x00, 0x40, 0x00});
    EXPECT_EQ(output_of(verify_eeprom), repeat("Verify O.K.\n", 5) +
                                            " ERROR: ADDRESS   WRITE DATA   READ DATA\n"
                                            "          5         0            b2   \n");
    EXPECT_EQ(readback_buffer[127], 0xB2);
}

// On the simulated chip: what the tool's traffic does to a real 24C01.
class DeviceOnChip : public ::testing::Test {
protected:
    std::uint8_t blank[IMAGE_SIZE];
    std::unique_ptr<sim_board> board;
    std::unique_ptr<parallel_device> device;
    std::unique_ptr<menu_session> session;
    std::uint8_t* image_buffer = nullptr;
    void SetUp() override {
        std::memset(blank, 0xFF, IMAGE_SIZE);
        use_board(true);
        for (int i = 0; i < IMAGE_SIZE; ++i) image_buffer[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    void use_board(bool chip_present) {
        board = std::make_unique<sim_board>(default_sim_chip(), blank, chip_present);
        device = std::make_unique<parallel_device>(*board, target_of());
        values image = session ? session->image : values(IMAGE_SIZE);
        session = std::make_unique<menu_session>(*device);
        session->image = image;
        image_buffer = session->image.data();
    }
    two_wire_bus& bus() { return device->bus(); }
    void write_eeprom() { ::write_eeprom(*session); }
    std::string verify_output() {
        testing::internal::CaptureStdout();
        verify_eeprom(*session);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(DeviceOnChip, WriteThenVerifyAtOnce) {
    write_eeprom();
    EXPECT_EQ(std::memcmp(board->chip().memory.data(), image_buffer, IMAGE_SIZE), 0);
    EXPECT_EQ(verify_output(), repeat("Verify O.K.\n", 128));
}

// A chip file that takes no write: the board tries again after every action
// and each says so; options 5 and 6 show nothing of the unsaved chip.
TEST_F(DeviceOnChip, UnsavedChipIsSaidAfterEveryActionAndNothingOfItShown) {
    chip_file file;
    file.fd.reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
    file.path = "chip.bin";
    board->keep_chip_in(std::move(file));
    testing::internal::CaptureStdout();
    write_eeprom();
    image_buffer[0] ^= 0xFF;  // what a read would undo
    read_eeprom_to_buffer(*session);
    verify_eeprom(*session);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              repeat("Could not save the simulated chip to chip.bin: Bad file descriptor.\n", 3));
    EXPECT_EQ(image_buffer[0], static_cast<std::uint8_t>(3 ^ 0xFF));
}

TEST_F(DeviceOnChip, ReadWaitsForAChipStillBusyWithItsLastWrite) {
    // The write loop alone, without the final poll: the chip is still busy
    // with byte 127 when the verify starts.
    for (int address = 0; address < IMAGE_SIZE; ++address)
        ASSERT_EQ(device->write(static_cast<std::uint32_t>(address), {image_buffer + address, 1}).result,
                  device_result::done);
    bus().idle();
    EXPECT_TRUE(chip_busy(board->chip(), board->now_us()));
    EXPECT_EQ(verify_output(), repeat("Verify O.K.\n", 128));
}

TEST_F(DeviceOnChip, ReadAfterReadIsRightBecauseTheLastByteIsNotAcknowledged) {
    image_buffer[0] = 0x00;
    write_eeprom();
    values first(IMAGE_SIZE);
    read_image(*device, first);
    bus().idle();
    EXPECT_EQ(std::memcmp(first.data(), image_buffer, IMAGE_SIZE), 0);
    EXPECT_EQ(verify_output(), repeat("Verify O.K.\n", 128));
}

TEST_F(DeviceOnChip, AcknowledgingTheLastByteSpoilsTheNextRead) {
    image_buffer[0] = 0x00;
    write_eeprom();
    // The read with master_ack after all 128 bytes.
    values first(IMAGE_SIZE);
    ASSERT_EQ(device->begin_read(0).result, device_result::done);
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        first[i] = bus().receive_byte();
        bus().master_ack();
    }
    bus().stop();
    bus().idle();
    EXPECT_EQ(std::memcmp(first.data(), image_buffer, IMAGE_SIZE), 0) << "this read itself is right";
    values second(image_buffer, image_buffer + IMAGE_SIZE);
    device_outcome spoiled = read_image(*device, second);
    bus().idle();
    EXPECT_TRUE(spoiled.result != device_result::done || std::memcmp(second.data(), image_buffer, IMAGE_SIZE) != 0)
        << "the stop was lost, and the next read with it";
    // The menu's line test clocks such a bus free before its read.
    EXPECT_EQ(verify_output(), repeat("Verify O.K.\n", 128));
}

TEST_F(DeviceOnChip, EmptySocketIsReportedAndTheImageKept) {
    use_board(false);
    testing::internal::CaptureStdout();
    write_eeprom();
    read_eeprom_to_buffer(*session);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "No acknowledge from the EEPROM at address 0: check the board, its power and the cable.\n"
              "No acknowledge from the EEPROM: check the board, its power and the cable.\n");
    EXPECT_EQ(image_buffer[1], 10) << "the image is as it was";
}

TEST_F(DeviceOnChip, ChipThatStopsAcknowledgingPartWayIsReported) {
    board->chip().ack_limit = 3 * 10 + 1;  // ten whole bytes, then one control byte
    testing::internal::CaptureStdout();
    write_eeprom();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "No acknowledge from the EEPROM at address 11: check the board, its power and the cable.\n");
    EXPECT_EQ(board->chip().memory[9], image_buffer[9]);
    EXPECT_EQ(board->chip().memory[11], 0xFF);
}

TEST_F(DeviceOnChip, StuckBitIsFoundByVerify) {
    board->chip().stuck_mask = 0x01;
    board->chip().stuck_value = 0x00;
    write_eeprom();
    std::string out = verify_output();
    // 3 is the first image byte with bit 0 set, at slot 0.
    EXPECT_EQ(out, " ERROR: ADDRESS   WRITE DATA   READ DATA\n          0         3            2   \n");
}

TEST_F(DeviceOnChip, SlowWriteCycleIsWaitedFor) {
    board->chip().config.write_cycle_us = 10000;
    write_eeprom();
    EXPECT_EQ(verify_output(), repeat("Verify O.K.\n", 128));
}

}  // namespace
