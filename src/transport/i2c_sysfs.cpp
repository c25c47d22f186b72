// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/i2c_sysfs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string_view>

#include "util/number.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

namespace {

// The major number of i2c-dev's character devices.
constexpr unsigned I2C_DEV_MAJOR = 89;

// Plain open and read, not streams: the same calls as the device itself.
std::string first_line(const std::string& path) {
    unique_fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return {};
    char text[256];
    ssize_t n = ::read(fd.get(), text, sizeof text - 1);
    if (n <= 0) return {};
    std::string line(text, static_cast<std::size_t>(n));
    return line.substr(0, line.find('\n'));
}

}  // namespace

int i2c_adapter_number(int fd, const std::string& path) {
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) == I2C_DEV_MAJOR)
        return static_cast<int>(minor(info.st_rdev));
    std::size_t at = path.rfind("i2c-");
    if (at == std::string::npos) return -1;
    // The kernel names its nodes in decimal: i2c-0x1 is no adapter 1.
    std::string_view digits = std::string_view(path).substr(at + 4);
    unsigned number = 0;
    if (digits.find_first_not_of("0123456789") != std::string_view::npos ||
        parse_number(digits, number) != number_reading::number || number > INT_MAX)
        return -1;
    return static_cast<int>(number);
}

std::string i2c_adapter_name(const std::string& sysfs_root, int adapter) {
    if (adapter < 0) return {};
    return first_line(sysfs_root + "/class/i2c-dev/i2c-" + std::to_string(adapter) + "/name");
}

std::string i2c_bound_driver(const std::string& sysfs_root, int adapter, std::uint8_t address) {
    if (adapter < 0) return {};
    char client[64];
    std::snprintf(client, sizeof client, "/bus/i2c/devices/%d-%04x/driver", adapter, address);
    char target[512];
    ssize_t n = ::readlink((sysfs_root + client).c_str(), target, sizeof target - 1);
    if (n <= 0) return {};
    std::string link(target, static_cast<std::size_t>(n));
    return link.substr(link.rfind('/') + 1);
}

bool i2c_is_memory_bus(const std::string& adapter_name) {
    return adapter_name.rfind("SMBus ", 0) == 0 || adapter_name.find(" SMBus adapter") != std::string::npos;
}

}  // namespace eeprom24c01
