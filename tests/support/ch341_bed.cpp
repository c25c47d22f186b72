// SPDX-License-Identifier: GPL-3.0-or-later
// A USB test bed for the built tool: umockdev's testbed holds CH341A
// programmers (1a86:5512) in its sysfs and /dev/bus/usb, and this program
// answers the usbdevfs ioctls that the real libusb makes on them, with the
// CH341A's I2C stream emulated on the simulated chip (sim/ch341_stream.h).
// It runs the command after its own name with umockdev's preload, serves it
// until it exits, saves the chip and ends with its status. Nothing opens a
// real USB node: the preload sends every /dev/bus/usb path into the bed.
// Environment:
//   CH341_BED_PART          the part on the programmer (default 24c01)
//   CH341_BED_CHIP          its contents, read at start and written at the end
//   CH341_BED_LOG           a line for each claim, release, driver change and
//                           ioctl the bed does not know, and the stream's
//                           protocol errors at the end
//   CH341_BED_PROGRAMMERS   how many are plugged in: 0, 1 (at USB 3:7) or 2
//                           (also 1:4, the same programmer seen twice)
//   CH341_BED_NO_PERMISSION their nodes' mode 0 (run the bed unprivileged)
//   CH341_BED_DRIVER        a kernel driver holding interface 0, by name
//   CH341_BED_BUSY          interface 0 claimed by another program
//   CH341_BED_UNPLUG_AFTER  the programmer gone after this many transfers
//   CH341_BED_NO_CHIP       the socket empty
//   CH341_BED_WP            the chip's write-protect pin held high
//   CH341_BED_CYCLE_US      the chip's write-cycle time (default 1000): the
//                           stream's time moves a millisecond a round trip,
//                           while the tool bounds its polls in real time, and
//                           a round trip through the bed takes longer
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chip/chip_profile.h"
#include "sim/ch341_stream.h"
#include "support/preload_fake.h"

using namespace eeprom24c01;
using preload::env;

namespace {

void log_line(const std::string& line) { preload::log_to("CH341_BED_LOG", line); }

// A submitted URB until it is reaped: where it lives in the tool, and what
// the programmer made of it.
struct urb_state {
    unsigned long address;
    bool in;
    int length;
    int status = 0;
    std::vector<std::uint8_t> data = {};  // an IN URB's bytes
};

// The ioctls come one at a time on umockdev's thread; main looks only once
// the tool has ended.
struct {
    std::unique_ptr<ch341_stream> stream;
    std::string driver = env("CH341_BED_DRIVER"), detached;
    std::deque<urb_state> waiting, done;
} bed;

// The descriptors as sysfs gives them: the device, then configuration 1
// with interface 0 and its three endpoints, little-endian as on the wire.
constexpr const char* RECORD =
    "P: /devices/usb%1$u/%1$u-1\nN: bus/usb/%1$03u/%2$03u\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
    "E: BUSNUM=%1$03u\nE: DEVNUM=%2$03u\nE: DEVNAME=/dev/bus/usb/%1$03u/%2$03u\nA: busnum=%1$u\\n\nA: devnum=%2$u\\n\n"
    "A: idVendor=1a86\\n\nA: idProduct=5512\\n\nA: bcdDevice=0304\\n\nA: bConfigurationValue=1\\n\nA: speed=12\\n\n"
    "H: descriptors=12011001ff000008861a125504030000000109022700010100803009040000"
    "03ff010200070582022000000705020220000007058103080001\n";

template <typename T>
T& as(UMockdevIoctlData* data) {
    return *reinterpret_cast<T*>(data->data);
}

UMockdevIoctlData* resolved(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    return umockdev_ioctl_data_resolve(data, offset, length, nullptr);
}

// A bulk URB as the programmer takes it: OUT packets decoded at once, IN
// filled with what the stream owes, or left waiting while it owes nothing
// (the tool's timeout then discards it).
int submit(UMockdevIoctlData* arg) {
    // Its address in the tool, before resolving puts the bed's copy there.
    const unsigned long address = as<unsigned long>(arg);
    g_autoptr(UMockdevIoctlData) urb_data = resolved(arg, 0, sizeof(usbdevfs_urb));
    const usbdevfs_urb& urb = as<usbdevfs_urb>(urb_data);
    urb_state state{address, (urb.endpoint & 0x80) != 0, urb.buffer_length};
    int error = 0;
    if (!state.in) {
        g_autoptr(UMockdevIoctlData) buffer = resolved(urb_data, offsetof(usbdevfs_urb, buffer), urb.buffer_length);
        error = bed.stream->out_transfer({buffer->data, static_cast<std::size_t>(urb.buffer_length)});
    } else if (bed.stream->owed() > 0 || bed.stream->unplugged()) {
        state.data.resize(std::min(static_cast<std::size_t>(urb.buffer_length), bed.stream->owed()));
        error = bed.stream->in_transfer(state.data);
    }
    if (error == 0) (state.in && state.data.empty() ? bed.waiting : bed.done).push_back(std::move(state));
    return error;
}

// The oldest finished URB written back into the tool: its status, length
// and IN bytes, and its address where the tool reaps it.
int reap(UMockdevIoctlData* arg) {
    if (bed.done.empty()) return EAGAIN;
    urb_state state = std::move(bed.done.front());
    bed.done.pop_front();
    g_autoptr(UMockdevIoctlData) where = resolved(arg, 0, sizeof(void*));
    as<unsigned long>(where) = state.address;
    g_autoptr(UMockdevIoctlData) urb_data = resolved(where, 0, sizeof(usbdevfs_urb));
    as<usbdevfs_urb>(urb_data).status = state.status;
    as<usbdevfs_urb>(urb_data).actual_length = state.in ? static_cast<int>(state.data.size()) : state.length;
    if (state.data.empty()) return 0;
    g_autoptr(UMockdevIoctlData) buffer = resolved(urb_data, offsetof(usbdevfs_urb, buffer), state.data.size());
    std::copy(state.data.begin(), state.data.end(), buffer->data);
    return 0;
}

int discard(unsigned long address) {
    auto it = std::find_if(bed.waiting.begin(), bed.waiting.end(), [&](const urb_state& u) { return u.address == address; });
    if (it == bed.waiting.end()) return EINVAL;
    it->status = -ENOENT;
    bed.done.push_back(std::move(*it));
    bed.waiting.erase(it);
    return 0;
}

// USBDEVFS_IOCTL: a kernel driver lets go of interface 0, or gets it back.
int driver_request(UMockdevIoctlData* arg) {
    g_autoptr(UMockdevIoctlData) data = resolved(arg, 0, sizeof(usbdevfs_ioctl));
    const bool disconnect = as<usbdevfs_ioctl>(data).ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT);
    std::string& from = disconnect ? bed.driver : bed.detached;
    if (from.empty()) return ENODATA;
    log_line((disconnect ? "disconnect " : "connect ") + from);
    (disconnect ? bed.detached : bed.driver) = std::exchange(from, "");
    return 0;
}

int answer(unsigned long request, UMockdevIoctlData* arg) {
    if (bed.stream->unplugged() && request != USBDEVFS_REAPURBNDELAY) return ENODEV;
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            g_autoptr(UMockdevIoctlData) caps = resolved(arg, 0, sizeof(std::uint32_t));
            as<std::uint32_t>(caps) = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
            return 0;
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (*env("CH341_BED_BUSY") || !bed.driver.empty()) return EBUSY;
            log_line("claim");
            return 0;
        case USBDEVFS_RELEASEINTERFACE:
            log_line("release");
            return 0;
        case USBDEVFS_GETDRIVER: {
            if (bed.driver.empty()) return ENODATA;
            g_autoptr(UMockdevIoctlData) data = resolved(arg, 0, sizeof(usbdevfs_getdriver));
            bed.driver.copy(as<usbdevfs_getdriver>(data).driver, USBDEVFS_MAXDRIVERNAME);
            return 0;
        }
        case USBDEVFS_IOCTL:
            return driver_request(arg);
        case USBDEVFS_SUBMITURB:
            return submit(arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            return reap(arg);
        case USBDEVFS_DISCARDURB:
            return discard(as<unsigned long>(arg));
        default:
            log_line("unknown ioctl " + std::to_string(request));
            return ENOTTY;
    }
}

gboolean handle_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer) {
    const int error = answer(umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const chip_profile* part = find_chip(*env("CH341_BED_PART") ? env("CH341_BED_PART") : "24c01");
    sim_chip_config config = sim_chip_config_for({part, part->page_size, BASE_BUS_ADDRESS});
    config.write_cycle_us = *env("CH341_BED_CYCLE_US") ? std::strtoull(env("CH341_BED_CYCLE_US"), nullptr, 10) : 1000;
    std::ifstream chip_file(env("CH341_BED_CHIP"), std::ios::binary);
    std::vector<std::uint8_t> contents((std::istreambuf_iterator<char>(chip_file)), std::istreambuf_iterator<char>());
    bed.stream = std::make_unique<ch341_stream>(config, contents, !*env("CH341_BED_NO_CHIP"));
    bed.stream->chip().write_protected = *env("CH341_BED_WP") != '\0';
    if (*env("CH341_BED_UNPLUG_AFTER")) bed.stream->unplug_after = std::atol(env("CH341_BED_UNPLUG_AFTER"));

    UMockdevTestbed* testbed = umockdev_testbed_new();
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect_after(handler, "handle-ioctl", G_CALLBACK(handle_ioctl), nullptr);
    g_autofree gchar* root = umockdev_testbed_get_root_dir(testbed);
    const int plugged = *env("CH341_BED_PROGRAMMERS") ? std::atoi(env("CH341_BED_PROGRAMMERS")) : 1;
    for (unsigned bus : {3u, 1u}) {
        if (plugged < (bus == 3 ? 1 : 2)) break;
        char node[32], record[1024];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus, bus == 3 ? 7u : 4u);
        std::snprintf(record, sizeof record, RECORD, bus, bus == 3 ? 7u : 4u);
        // The handler first, so that the device is served as soon as it shows.
        if (!umockdev_testbed_attach_ioctl(testbed, node, handler, nullptr) ||
            !umockdev_testbed_add_from_string(testbed, record, nullptr))
            return 2;
        if (*env("CH341_BED_NO_PERMISSION")) chmod((std::string(root) + node).c_str(), 0);
    }

    // The tool with umockdev's preload, in the testbed, its standard files the bed's.
    gchar** envp = g_environ_setenv(g_get_environ(), "LD_PRELOAD", "libumockdev-preload.so.0", TRUE);
    int status = 0;
    const bool ran = g_spawn_sync(nullptr, argv + 1, envp, G_SPAWN_CHILD_INHERITS_STDIN, nullptr, nullptr, nullptr,
                                  nullptr, &status, nullptr);
    g_strfreev(envp);
    preload::save_chip("CH341_BED_CHIP", bed.stream->chip());
    if (bed.stream->counts().protocol_errors) log_line("protocol error: " + bed.stream->first_error());
    g_object_unref(handler);
    g_object_unref(testbed);  // its folder goes with it
    return !ran ? 127 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
