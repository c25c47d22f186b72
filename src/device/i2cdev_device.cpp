// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/i2cdev_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "transport/i2c_sysfs.h"
#include "device/i2cdev_texts.h"

namespace eeprom24c01 {

namespace {

using steady = std::chrono::steady_clock;

// i2c-dev refuses longer messages.
constexpr std::size_t I2C_MAX_MESSAGE = 8192;

// How adapters report a chip that did not acknowledge (the kernel's I2C
// fault codes): busy with a write cycle, or not there.
bool not_acknowledged(int error) {
    return error == ENXIO || error == EREMOTEIO || error == EIO || error == EAGAIN || error == ETIMEDOUT;
}

// i2c-stub, and some bridges, answer ENODEV for an address where nothing
// answers; an adapter that is itself gone still has its folder in sysfs
// until it is removed.
bool adapter_present(const std::string& sysfs_root, int adapter) {
    return adapter >= 0 && !i2c_adapter_name(sysfs_root, adapter).empty();
}

bool refused_length(int error) { return error == EOPNOTSUPP || error == EINVAL; }

// After a length the adapter refused: halves limit, the pieces the action
// sends from then on, and says whether a smaller piece is left to try.
bool halved(std::size_t& limit, std::size_t piece, std::size_t smallest) {
    if (piece <= smallest) return false;
    limit = std::max(smallest, piece / 2);
    return true;
}

std::uint8_t bus_address_of(const chip_location& where) { return static_cast<std::uint8_t>(where.first_byte >> 1); }

// The bytes one control byte reaches: 256 after a one-byte word address.
std::uint32_t block_span(const chip_target& target) { return 1u << (8 * target.profile->address_bytes); }

device_outcome refused(std::string message) {
    device_outcome outcome;
    outcome.result = device_result::port_refused;
    outcome.port_message = std::move(message);
    return outcome;
}

}  // namespace

i2cdev_device::i2cdev_device(i2cdev_settings settings, const chip_target& target)
    : settings_(std::move(settings)), target_(target) {}

device_outcome i2cdev_device::begin_action() {
    const chip_profile& part = *target_.profile;
    if (part.style != addressing::device_code) return refused(i2cdev_no_device_code_refusal(std::string(part.name)));
    int error = link_.open(settings_.device);
    if (error == 0) error = link_.functions(functions_);
    if (error != 0) {
        link_.close();
        return refused(i2cdev_open_refusal(settings_.device, error));
    }
    adapter_ = i2c_adapter_number(link_.fd(), settings_.device);
    adapter_name_ = i2c_adapter_name(settings_.sysfs_root, adapter_);
    ways_ = choose_i2c_ways(functions_, part.address_bytes);
    std::string refusal = ways_.read == i2c_read_way::none
                              ? i2cdev_unable_refusal(settings_.device, std::string(part.name), false)
                              : owner_refusal();
    if (!refusal.empty()) {
        link_.close();
        return refused(refusal);
    }
    read_limit_ = ways_.read == i2c_read_way::messages ? std::min<std::size_t>(target_.size(), I2C_MAX_MESSAGE)
                                                       : I2C_SMBUS_BLOCK_MAX;
    write_limit_ = ways_.write == i2c_write_way::messages    ? target_.page_size
                   : ways_.write == i2c_write_way::i2c_block ? I2C_SMBUS_BLOCK_MAX + 1 - part.address_bytes
                                                             : 1;
    next_read_at_ = -1;
    pending_write_at_ = -1;
    cycles_ = {};
    return {};
}

device_outcome i2cdev_device::end_action() {
    link_.close();
    return {};
}

// Every bus address the part answers at: one per block of 256 bytes for
// parts with block bits in the control byte.
std::string i2cdev_device::owner_refusal() {
    if (settings_.force) return {};
    for (unsigned block = 0; block < (1u << target_.profile->block_bits); ++block) {
        std::uint8_t address = static_cast<std::uint8_t>(target_.bus_address | block);
        std::string driver = i2c_bound_driver(settings_.sysfs_root, adapter_, address);
        int error = link_.select(address, false);
        if (error != 0 && error != EBUSY) return i2cdev_lost(settings_.device, error);
        if (error == EBUSY || !driver.empty()) return i2cdev_owned_refusal(settings_.device, adapter_, address, driver);
    }
    return {};
}

bool i2cdev_device::among_memory_modules() const {
    bool spd_range = (target_.bus_address & 0x78) == 0x50;
    return !settings_.force && spd_range && i2c_is_memory_bus(adapter_name_);
}

std::string i2cdev_device::write_refusal() const {
    if (ways_.write == i2c_write_way::none)
        return i2cdev_unable_refusal(settings_.device, std::string(target_.profile->name), true);
    if (among_memory_modules()) return i2cdev_memory_bus_refusal(settings_.device, adapter_name_, target_.bus_address);
    return {};
}

// Without a combined write and read, a two-byte word address is set by a
// write of its own, which a one-byte-address chip (an SPD EEPROM) takes as a
// byte to store.
std::string i2cdev_device::read_refusal() const {
    if (ways_.read != i2c_read_way::current_address || !among_memory_modules()) return {};
    return i2cdev_memory_bus_read_refusal(settings_.device, adapter_name_, target_.bus_address,
                                          std::string(target_.profile->name));
}

std::string i2cdev_device::bus_summary() const {
    std::string kind = std::string(i2c_ways_name(ways_)) + " transfers";
    return adapter_name_.empty() ? kind : adapter_name_ + ", " + kind;
}

template <typename Attempt>
int i2cdev_device::acknowledged(Attempt attempt) {
    const bus_timing& timing = settings_.timing;
    const auto deadline = steady::now() + timing.i2c_retry_window(target_.profile->write_cycle_ms);
    for (int tries = 1;; ++tries) {
        // Timed from before the try, as at24 does: a try slowed down by a
        // loaded machine does not end the wait early.
        const auto tried_at = steady::now();
        int error = attempt();
        if (error == ENODEV && adapter_present(settings_.sysfs_root, adapter_)) error = ENXIO;
        // The first transfer after a write tells whether the chip took a write cycle.
        if (error == 0) cycles_.answered(static_cast<unsigned>(tries));
        if (!not_acknowledged(error) || tried_at >= deadline) return error;
        if (tries > 1) std::this_thread::sleep_for(timing.i2c_poll_pause);
    }
}

device_outcome i2cdev_device::failed(int error, std::uint32_t offset, std::size_t bytes) {
    device_outcome outcome;
    outcome.bytes = static_cast<int>(bytes);
    outcome.address = static_cast<int>(offset);
    if (not_acknowledged(error)) {
        outcome.result = device_result::no_acknowledge;
    } else {
        outcome.result = device_result::port_lost;
        outcome.port_message = i2cdev_lost(settings_.device, error);
    }
    return outcome;
}

device_outcome i2cdev_device::probe() {
    int error = acknowledged([&] { return probe_once(); });
    return error == 0 ? device_outcome{} : failed(error, 0, 0);
}

device_outcome i2cdev_device::finish_writes() {
    if (pending_write_at_ < 0) return {};
    auto offset = static_cast<std::uint32_t>(pending_write_at_);
    pending_write_at_ = -1;
    int error = acknowledged([&] { return probe_once(); });
    return error == 0 ? device_outcome{} : failed(error, offset, 0);
}

// One byte read through the adapter's read transfer: harmless to the chip,
// and it shows whether the chip answers. Where a read would first write the
// word address on its own, the byte comes from the chip's address counter
// instead, so that a probe never stores anything in a chip of another kind.
int i2cdev_device::probe_once() {
    std::uint8_t byte = 0;
    if (ways_.read != i2c_read_way::current_address) return read_once(0, {&byte, 1});
    next_read_at_ = -1;
    if (int error = select(bus_address_of(locate(target_, 0)))) return error;
    i2c_smbus_data data{};
    return link_.smbus(I2C_SMBUS_READ, 0, I2C_SMBUS_BYTE, &data);
}

std::size_t i2cdev_device::read_piece(std::uint32_t offset, std::size_t wanted) const {
    std::size_t piece = std::min<std::size_t>(wanted, block_span(target_) - offset % block_span(target_));
    bool blocks = ways_.read == i2c_read_way::messages || ways_.read == i2c_read_way::i2c_block;
    return blocks ? std::min(piece, read_limit_) : 1;
}

device_outcome i2cdev_device::read(std::uint32_t offset, std::span<std::uint8_t> out, const read_watch& watch) {
    if (std::string refusal = read_refusal(); !refusal.empty()) return refused(refusal);
    device_outcome outcome;
    std::size_t done = 0;
    while (done < out.size()) {
        auto at = static_cast<std::uint32_t>(offset + done);
        std::size_t piece = read_piece(at, out.size() - done);
        int error = acknowledged([&] { return read_once(at, out.subspan(done, piece)); });
        if (refused_length(error) && halved(read_limit_, piece, I2C_MIN_READ_PIECE)) continue;
        if (refused_length(error) && piece == I2C_MIN_READ_PIECE) {
            outcome.result = device_result::port_lost;
            outcome.port_message = i2cdev_short_reads_refusal(settings_.device, piece);
            return outcome;
        }
        if (error != 0) return failed(error, at, done);
        for (std::size_t end = done + piece; done < end;) {
            outcome.bytes = static_cast<int>(++done);
            if (watch && !watch(done)) return outcome;
        }
    }
    return outcome;
}

int i2cdev_device::read_once(std::uint32_t offset, std::span<std::uint8_t> out) {
    chip_location where = locate(target_, offset);
    std::uint8_t address = bus_address_of(where);
    if (ways_.read == i2c_read_way::messages) {
        next_read_at_ = -1;
        i2c_msg messages[] = {{address, 0, where.word_bytes, where.word},
                              {address, I2C_M_RD, static_cast<std::uint16_t>(out.size()), out.data()}};
        return link_.transfer(messages);
    }
    if (int error = select(address)) return error;
    i2c_smbus_data data{};
    int error = 0;
    if (ways_.read == i2c_read_way::i2c_block) {
        data.block[0] = static_cast<std::uint8_t>(out.size());
        error = link_.smbus(I2C_SMBUS_READ, where.word[0], I2C_SMBUS_I2C_BLOCK_DATA, &data);
        if (error == 0) std::memcpy(out.data(), data.block + 1, out.size());
        return error;
    }
    if (ways_.read == i2c_read_way::byte_data) {
        error = link_.smbus(I2C_SMBUS_READ, where.word[0], I2C_SMBUS_BYTE_DATA, &data);
    } else {
        // The word address is written once; the chip's address counter then
        // steps through the following bytes on its own.
        bool counter_there = next_read_at_ == static_cast<long>(offset) && offset % block_span(target_) != 0;
        next_read_at_ = -1;
        if (!counter_there) error = smbus_write({where.word, where.word_bytes});
        if (error == 0) error = link_.smbus(I2C_SMBUS_READ, 0, I2C_SMBUS_BYTE, &data);
        if (error == 0) next_read_at_ = static_cast<long>(offset) + 1;
    }
    if (error == 0) out[0] = data.byte;
    return error;
}

device_outcome i2cdev_device::write(std::uint32_t offset, std::span<const std::uint8_t> data) {
    if (std::string refusal = write_refusal(); !refusal.empty()) return refused(refusal);
    device_outcome outcome;
    std::size_t done = 0;
    while (done < data.size()) {
        auto at = static_cast<std::uint32_t>(offset + done);
        std::size_t piece = std::min(data.size() - done, write_limit_);
        int error = acknowledged([&] { return write_once(at, data.subspan(done, piece)); });
        if (refused_length(error) && halved(write_limit_, piece, I2C_MIN_WRITE_PIECE)) continue;
        if (error != 0) return failed(error, at, done);
        pending_write_at_ = at;
        cycles_.written();
        done += piece;
        outcome.bytes = static_cast<int>(done);
    }
    return outcome;
}

int i2cdev_device::write_once(std::uint32_t offset, std::span<const std::uint8_t> data) {
    chip_location where = locate(target_, offset);
    std::uint8_t address = bus_address_of(where);
    std::vector<std::uint8_t> payload(where.word, where.word + where.word_bytes);
    payload.insert(payload.end(), data.begin(), data.end());
    next_read_at_ = -1;
    if (ways_.write == i2c_write_way::messages) {
        i2c_msg message{address, 0, static_cast<std::uint16_t>(payload.size()), payload.data()};
        return link_.transfer({&message, 1});
    }
    if (int error = select(address)) return error;
    return smbus_write(payload);
}

// The payload's first byte goes as the SMBus command, the rest as its data.
int i2cdev_device::smbus_write(std::span<const std::uint8_t> payload) {
    int size = smbus_write_size(functions_, payload.size());
    if (size < 0) return EOPNOTSUPP;
    i2c_smbus_data data{};
    if (size == I2C_SMBUS_BYTE_DATA) {
        data.byte = payload[1];
    } else if (size == I2C_SMBUS_WORD_DATA) {
        data.word = static_cast<std::uint16_t>(payload[1] | payload[2] << 8);  // sent low byte first
    } else if (size == I2C_SMBUS_I2C_BLOCK_DATA) {
        data.block[0] = static_cast<std::uint8_t>(payload.size() - 1);
        std::memcpy(data.block + 1, payload.data() + 1, payload.size() - 1);
    }
    return link_.smbus(I2C_SMBUS_WRITE, payload[0], static_cast<std::uint32_t>(size), &data);
}

// One byte read, and nothing written, at each address: a plain read message,
// or an SMBus receive byte, so that a PC's memory bus is only read.
device_outcome i2cdev_device::scan(std::vector<std::uint8_t>& answering) {
    answering.clear();
    next_read_at_ = -1;
    for (std::uint8_t address = BASE_BUS_ADDRESS; address < BASE_BUS_ADDRESS + 8; ++address) {
        std::uint8_t byte = 0;
        int error = 0;
        if (functions_ & I2C_FUNC_I2C) {
            i2c_msg message{address, I2C_M_RD, 1, &byte};
            error = link_.transfer({&message, 1});
        } else if (error = link_.select(address, settings_.force); error == 0) {
            i2c_smbus_data data{};
            error = link_.smbus(I2C_SMBUS_READ, 0, I2C_SMBUS_BYTE, &data);
        }
        // EBUSY: a kernel driver has bound the address, so something is there.
        if (error == 0 || error == EBUSY) answering.push_back(address);
        else if (!not_acknowledged(error) && !(error == ENODEV && adapter_present(settings_.sysfs_root, adapter_)))
            return failed(error, 0, 0);
    }
    return {};
}

}  // namespace eeprom24c01
