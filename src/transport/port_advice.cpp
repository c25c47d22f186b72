// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/port_advice.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace eeprom24c01 {

namespace {

struct advice {
    int errors[2];
    const char* parallel;
    const char* i2c;
};

// A refused permission and a missing parallel port with others beside it
// get advice of their own (port_refusal).
constexpr advice TABLE[] = {
    {{ENOENT, ENOENT}, "Load the drivers (sudo modprobe parport_pc ppdev), or name another port with --port.",
     "Load the driver (sudo modprobe i2c-dev), then name one of the /dev/i2c-N it makes with --i2c."},
    {{ENXIO, ENODEV},
     "No parallel port is behind it: find the parportN of your card in the kernel log (sudo dmesg | grep parport) "
     "and name it with --port.",
     "The adapter behind it is gone: plug it in again, or name another with --i2c."},
    {{ENOTTY, EINVAL},
     "It is not a ppdev port: /dev/lp* and USB printer cables cannot drive single pins; name a /dev/parportN.",
     "It is not an i2c-dev device: name a /dev/i2c-N (ls /sys/class/i2c-dev lists them)."},
};
constexpr const char* OTHERWISE = "Try again, or try the tool on the simulated board with --sim FILE.";

}  // namespace

std::string port_refusal(port_kind kind, const std::string& device, int error, const std::string& ports_beside) {
    const bool parallel = kind == port_kind::parallel;
    std::string head = std::string(parallel ? "Cannot use the parallel port " : "Cannot use the I2C adapter ") + device +
                       ": " + std::strerror(error) + ". ";
    if (error == EACCES || error == EPERM) return head + join_group_advice(device, parallel ? "lp" : "i2c") + "\n";
    if (parallel && error == ENOENT && !ports_beside.empty())
        return head + "Existing ports: " + ports_beside + "; name one of them with --port.\n";
    for (const advice& row : TABLE)
        if (row.errors[0] == error || row.errors[1] == error) return head + (parallel ? row.parallel : row.i2c) + "\n";
    return head + OTHERWISE + "\n";
}

std::string join_group_advice(const std::string& device, const char* usual_group) {
    std::string group = usual_group;
    struct stat info {};
    if (stat(device.c_str(), &info) == 0) {
        // Membership of root would hand out far more than this device.
        if (info.st_gid == 0)
            return "It belongs to root alone: give it a group of its own with a udev rule, or ask your administrator.";
        if (const struct group* owner = getgrgid(info.st_gid)) group = owner->gr_name;
    }
    return "Join its group " + group + " (sudo adduser $USER " + group + "), then log out and in again.";
}

}  // namespace eeprom24c01
