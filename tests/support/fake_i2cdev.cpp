// SPDX-License-Identifier: GPL-3.0-or-later
// A fake of the Linux i2c-dev driver at its system-call boundary, preloaded
// (LD_PRELOAD) into the built tool or a test. It answers open, ioctl and
// close for one path only, FAKE_I2CDEV_PATH, which ends in "i2c-N" and is
// never a real device, and the two sysfs entries about adapter N that the
// tool reads; every other call passes through. Behind the fake adapter sits
// the simulated chip, driven line by line with the start, bytes, acknowledges
// and stop that each message means, on real time: it does not acknowledge
// while its write cycle runs. Environment:
//   FAKE_I2CDEV_PATH      the path it stands for
//   FAKE_I2CDEV_CHIP      the chip file, read at open, written at close
//   FAKE_I2CDEV_PART      the part the chip is, at 0x50 (default 24c01)
//   FAKE_I2CDEV_FUNCS     i2c (the default: I2C_RDWR and every SMBus transfer),
//                         smbus (SMBus with I2C-block transfers), byte (SMBus
//                         byte, byte-data and word-data transfers only)
//   FAKE_I2CDEV_MAX_LEN   the longest message the adapter takes (EOPNOTSUPP beyond)
//   FAKE_I2CDEV_DRIVER    a driver bound at 0x50: I2C_SLAVE there answers
//                         EBUSY and sysfs names the driver
//   FAKE_I2CDEV_NAME      the adapter's name in sysfs
//   FAKE_I2CDEV_NO_CHIP   if set, nothing on the bus acknowledges
//   FAKE_I2CDEV_NAK       the errno of a transfer nothing acknowledged (default ENXIO; ENODEV as i2c-stub)
//   FAKE_I2CDEV_WP        if set, the chip's write-protect pin is held high
//   FAKE_I2CDEV_CYCLE_US  the chip's write-cycle time (default 300)
//   FAKE_I2CDEV_FAIL      open=ERRNO
//   FAKE_I2CDEV_LOG       a line per transfer: its kind, its messages as
//                         w50:2 or r50:32 (direction, address, length), and
//                         ok, nak or refused
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "sim/chip24cxx.h"
#include "support/preload_fake.h"

using namespace eeprom24c01;
namespace {

using preload::env;
using preload::fail;
using preload::real;

std::uint64_t now_us() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000 + static_cast<std::uint64_t>(t.tv_nsec) / 1000;
}

void log_line(const std::string& line) { preload::log_to("FAKE_I2CDEV_LOG", line); }

// The chip on the lines, and the master's side of the bus protocol.
struct fake_bus {
    sim_chip chip;

    void lines(bool scl, bool sda) { chip_lines(chip, scl, sda, now_us()); }
    bool sda() const { return chip_bus_sda(chip); }

    void start() {
        lines(false, true);
        lines(true, true);
        lines(true, false);
        lines(false, false);
    }
    void stop() {
        lines(false, false);
        lines(true, false);
        lines(true, true);
    }
    // One bit clocked out; the level on the wire while SCL is high.
    bool clock(bool bit) {
        lines(false, bit);
        lines(true, bit);
        bool level = sda();
        lines(false, bit);
        return level;
    }
    bool send(std::uint8_t byte) {
        for (int i = 7; i >= 0; --i) clock((byte >> i) & 1);
        return !clock(true);
    }
    std::uint8_t receive(bool acknowledge) {
        std::uint8_t byte = 0;
        for (int i = 0; i < 8; ++i) byte = static_cast<std::uint8_t>(byte << 1 | clock(true));
        clock(!acknowledge);
        return byte;
    }
};

struct fake_adapter {
    int fd = -1;
    int selected = -1;
    fake_bus bus;
} adapter;

// "N" of the fake's path "…/i2c-N".
std::string adapter_number() {
    std::string path = env("FAKE_I2CDEV_PATH");
    return path.substr(path.rfind("i2c-") + 4);
}

unsigned long functions() {
    std::string kind = env("FAKE_I2CDEV_FUNCS");
    if (kind == "smbus") return I2C_FUNC_SMBUS_EMUL;
    if (kind == "byte") return I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA;
    return I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
}

std::string describe(const char* kind, const i2c_msg* messages, std::size_t count) {
    std::string line = kind;
    for (std::size_t i = 0; i < count; ++i) {
        char text[24];
        std::snprintf(text, sizeof text, " %c%02x:%u", (messages[i].flags & I2C_M_RD) ? 'r' : 'w', messages[i].addr,
                      messages[i].len);
        line += text;
    }
    return line;
}

// The messages on the bus as one transaction: repeated starts, one stop.
int run(const char* kind, i2c_msg* messages, std::size_t count) {
    std::string line = describe(kind, messages, count);
    long limit = std::atol(env("FAKE_I2CDEV_MAX_LEN"));
    for (std::size_t i = 0; i < count; ++i)
        if (limit > 0 && messages[i].len > limit) {
            log_line(line + " refused");
            return fail(EOPNOTSUPP);
        }
    fake_bus& bus = adapter.bus;
    for (std::size_t i = 0; i < count; ++i) {
        const i2c_msg& m = messages[i];
        bool reading = (m.flags & I2C_M_RD) != 0;
        bus.start();
        bool acknowledged = bus.send(static_cast<std::uint8_t>(m.addr << 1 | reading));
        for (std::size_t j = 0; acknowledged && j < m.len; ++j) {
            if (reading) m.buf[j] = bus.receive(j + 1 < m.len);
            else acknowledged = bus.send(m.buf[j]);
        }
        if (!acknowledged) {
            bus.stop();
            log_line(line + " nak");
            return fail(std::string(env("FAKE_I2CDEV_NAK")) == "ENODEV" ? ENODEV : ENXIO);
        }
    }
    bus.stop();
    log_line(line + " ok");
    return 0;
}

int rdwr(const i2c_rdwr_ioctl_data* request) {
    if (!(functions() & I2C_FUNC_I2C)) return fail(EOPNOTSUPP);
    return run("rdwr", request->msgs, request->nmsgs);
}

// An SMBus transfer as the messages it puts on the bus.
int smbus(const i2c_smbus_ioctl_data* request) {
    static const struct { std::uint32_t size; unsigned long function; const char* name; } sizes[] = {
        {I2C_SMBUS_QUICK, I2C_FUNC_SMBUS_QUICK, "smbus-quick"},
        {I2C_SMBUS_BYTE, I2C_FUNC_SMBUS_READ_BYTE | I2C_FUNC_SMBUS_WRITE_BYTE, "smbus-byte"},
        {I2C_SMBUS_BYTE_DATA, I2C_FUNC_SMBUS_BYTE_DATA, "smbus-byte-data"},
        {I2C_SMBUS_WORD_DATA, I2C_FUNC_SMBUS_WORD_DATA, "smbus-word-data"},
        {I2C_SMBUS_I2C_BLOCK_DATA, I2C_FUNC_SMBUS_I2C_BLOCK, "smbus-i2c-block"},
    };
    const char* name = nullptr;
    for (const auto& s : sizes)
        if (s.size == request->size && (functions() & s.function)) name = s.name;
    if (!name || adapter.selected < 0) return fail(EOPNOTSUPP);
    bool reading = request->read_write == I2C_SMBUS_READ;
    i2c_smbus_data* data = request->data;
    std::uint8_t command[1 + I2C_SMBUS_BLOCK_MAX + 1] = {request->command};
    std::uint16_t length = 0;  // of the data part
    std::uint8_t* buffer = reading ? nullptr : command + 1;
    if (request->size == I2C_SMBUS_BYTE_DATA) length = 1;
    if (request->size == I2C_SMBUS_WORD_DATA) length = 2;
    if (request->size == I2C_SMBUS_I2C_BLOCK_DATA) length = data->block[0];
    if (length > I2C_SMBUS_BLOCK_MAX) return fail(EINVAL);
    auto address = static_cast<std::uint16_t>(adapter.selected);
    if (request->size == I2C_SMBUS_QUICK) {
        i2c_msg quick{address, static_cast<std::uint16_t>(reading ? I2C_M_RD : 0), 0, command};
        return run(name, &quick, 1);
    }
    if (request->size == I2C_SMBUS_BYTE) {
        i2c_msg one{address, static_cast<std::uint16_t>(reading ? I2C_M_RD : 0), 1, reading ? &data->byte : command};
        return run(name, &one, 1);
    }
    std::uint8_t* source = request->size == I2C_SMBUS_I2C_BLOCK_DATA ? data->block + 1 : data->block;
    if (!reading) std::memcpy(buffer, source, length);  // byte and word share the union's first bytes
    i2c_msg messages[2] = {{address, 0, static_cast<std::uint16_t>(reading ? 1 : 1 + length), command},
                           {address, I2C_M_RD, length, source}};
    return run(name, messages, reading ? 2 : 1);
}

int select(unsigned long address, bool force) {
    bool owned = *env("FAKE_I2CDEV_DRIVER") && address == 0x50;
    if (owned && !force) {
        log_line("slave 0x50 busy");
        return fail(EBUSY);
    }
    adapter.selected = static_cast<int>(address);
    return 0;
}

void load_chip() {
    const chip_profile* part = find_chip(*env("FAKE_I2CDEV_PART") ? env("FAKE_I2CDEV_PART") : "24c01");
    if (!part) part = &default_chip();
    sim_chip_config config = sim_chip_config_for({part, part->page_size});
    const char* cycle = env("FAKE_I2CDEV_CYCLE_US");
    config.write_cycle_us = *cycle ? std::strtoull(cycle, nullptr, 10) : 300;
    preload::load_chip("FAKE_I2CDEV_CHIP", adapter.bus.chip, config);
    if (*env("FAKE_I2CDEV_NO_CHIP")) adapter.bus.chip.ack_limit = 0;
    adapter.bus.chip.write_protected = *env("FAKE_I2CDEV_WP");
    adapter.bus.lines(true, true);
}

int open_fake(int flags) {
    std::string setting = env("FAKE_I2CDEV_FAIL");
    if (setting == "open=EACCES") return fail(EACCES);
    if (setting == "open=ENOENT") return fail(ENOENT);
    int fd = real<int (*)(const char*, int, ...)>("open")("/dev/null", flags & O_CLOEXEC);
    if (fd < 0) return fd;
    adapter.fd = fd;
    adapter.selected = -1;
    load_chip();
    log_line("open");
    return fd;
}

// The adapter's name in sysfs, as a pipe that holds it.
int open_name() {
    if (!*env("FAKE_I2CDEV_NAME")) return fail(ENOENT);
    int ends[2];
    if (pipe(ends) != 0) return -1;
    std::string text = std::string(env("FAKE_I2CDEV_NAME")) + "\n";
    if (write(ends[1], text.data(), text.size()) < 0) text.clear();
    real<int (*)(int)>("close")(ends[1]);
    return ends[0];
}

bool is_device_path(const char* path) { return std::strcmp(path, env("FAKE_I2CDEV_PATH")) == 0; }


}  // namespace

bool fake_stands_for(const char* path) {
    return *env("FAKE_I2CDEV_PATH") &&
           (is_device_path(path) || path == "/sys/class/i2c-dev/i2c-" + adapter_number() + "/name");
}

int fake_open(const char* path, int flags) { return is_device_path(path) ? open_fake(flags) : open_name(); }

extern "C" {

ssize_t readlink(const char* path, char* buffer, size_t size) noexcept {
    if (!*env("FAKE_I2CDEV_PATH") || path != "/sys/bus/i2c/devices/" + adapter_number() + "-0050/driver")
        return real<ssize_t (*)(const char*, char*, size_t)>("readlink")(path, buffer, size);
    if (!*env("FAKE_I2CDEV_DRIVER")) return fail(ENOENT);
    std::string target = std::string("../../../../bus/i2c/drivers/") + env("FAKE_I2CDEV_DRIVER");
    std::size_t n = std::min(size, target.size());
    std::memcpy(buffer, target.data(), n);
    return static_cast<ssize_t>(n);
}

int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (fd < 0 || fd != adapter.fd) return real<int (*)(int, unsigned long, void*)>("ioctl")(fd, request, argument);
    switch (request) {
        case I2C_FUNCS:
            *static_cast<unsigned long*>(argument) = functions();
            return 0;
        case I2C_SLAVE:
        case I2C_SLAVE_FORCE:
            return select(reinterpret_cast<unsigned long>(argument), request == I2C_SLAVE_FORCE);
        case I2C_RDWR:
            return rdwr(static_cast<const i2c_rdwr_ioctl_data*>(argument));
        case I2C_SMBUS:
            return smbus(static_cast<const i2c_smbus_ioctl_data*>(argument));
        default:
            return fail(ENOTTY);
    }
}

int close(int fd) {
    if (fd >= 0 && fd == adapter.fd) {
        preload::save_chip("FAKE_I2CDEV_CHIP", adapter.bus.chip);
        adapter.fd = -1;
        log_line("close");
    }
    return real<int (*)(int)>("close")(fd);
}

}  // extern "C"
