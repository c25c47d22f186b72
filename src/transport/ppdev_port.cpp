// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "transport/port_advice.h"

namespace eeprom24c01 {

namespace {

volatile sig_atomic_t alarm_rang = 0;

extern "C" void note_alarm(int) { alarm_rang = 1; }

// PPCLAIM sleeps while another driver, such as lp printing a job, holds the
// port. An alarm whose handler does not restart the call wakes it up.
int claim_within(int fd, unsigned seconds) {
    struct sigaction action {}, previous {};
    action.sa_handler = note_alarm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, &previous);
    alarm_rang = 0;
    alarm(seconds);
    int result = ioctl(fd, PPCLAIM);
    int failure = errno;
    alarm(0);
    sigaction(SIGALRM, &previous, nullptr);
    errno = failure;
    return result;
}

bool is_port_name(const std::string& name) {
    const std::string stem = "parport";
    return name.size() > stem.size() && name.rfind(stem, 0) == 0 &&
           std::all_of(name.begin() + stem.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<std::string> parallel_ports_in(const std::string& folder) {
    std::vector<std::string> ports;
    std::error_code failure;
    for (std::filesystem::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure))
        if (std::string name = it->path().filename(); is_port_name(name)) ports.push_back(name);
    // parport2 before parport10
    std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ports;
}

ppdev_port::~ppdev_port() { close_device(); }

// Released before the close, so that the kernel does not have to.
void ppdev_port::close_device() {
    action_end();
    fd_.reset();
    claimed_ = false;
}

std::string ppdev_port::refusal(int failure) const {
    return port_refusal(port_kind::parallel, device_, failure, failure == ENOENT ? other_ports() : std::string());
}

// With the drivers loaded, the ports beside the missing device, or failing
// those the ports the kernel lists; "" when neither shows another port.
std::string ppdev_port::other_ports() const {
    std::size_t slash = device_.rfind('/');
    std::string place = slash == std::string::npos ? "" : device_.substr(0, slash + 1);
    std::vector<std::string> ports = parallel_ports_in(place.empty() ? "." : place);
    if (ports.empty()) {
        ports = parallel_ports_in(kernel_ports_);
        // The kernel has this very port: only ppdev is missing.
        if (std::find(ports.begin(), ports.end(), device_.substr(slash + 1)) != ports.end()) return {};
    }
    std::string names;
    for (const auto& port : ports) names += (names.empty() ? "" : ", ") + place + port;
    return names;
}

std::string ppdev_port::claim() {
    if (!fd_) {
        fd_.reset(open(device_.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd_) return refusal(errno);
    }
    // No PPEXCL: beside the printer driver an exclusive claim is refused, and
    // while the claim is held no other driver can drive the port anyway.
    if (claim_within(fd_.get(), PPDEV_CLAIM_WAIT_SECONDS) == 0) {
        claimed_ = true;
        return {};
    }
    int failure = errno;
    close_device();
    if (failure == EINTR) {
        if (!alarm_rang) return "The claim of the parallel port " + device_ + " was interrupted.\n";
        return "The parallel port " + device_ + " is busy: another program, such as a print job, holds it. "
               "Try again when it has finished.\n";
    }
    return refusal(failure);
}

void ppdev_port::action_end() {
    if (claimed_) ioctl(fd_.get(), PPRELEASE);
    claimed_ = false;
}

void ppdev_port::abandon() { close_device(); }

void ppdev_port::lost(int failure) {
    throw port_lost("Lost the parallel port " + device_ + ": " + std::strerror(failure) +
                    ". Check the card and its driver; the next action opens the port afresh.\n");
}

void ppdev_port::write(std::uint16_t reg, std::uint8_t value) {
    unsigned char byte = value;
    note_write(reg, value);
    int request = reg == LPT_DATA ? PPWDATA : reg == LPT_CONTROL ? PPWCONTROL : 0;
    if (request != 0 && ioctl(fd_.get(), request, &byte) != 0) lost(errno);
}

std::uint8_t ppdev_port::read(std::uint16_t reg) {
    unsigned char byte = 0xFF;
    if (reg == LPT_STATUS && ioctl(fd_.get(), PPRSTATUS, &byte) != 0) lost(errno);
    return byte;
}

}  // namespace eeprom24c01
