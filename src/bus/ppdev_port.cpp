#include "bus/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

ppdev_port::~ppdev_port() {
    if (fd_ >= 0) {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }
}

std::string ppdev_port::claim() {
    if (fd_ >= 0) return {};
    int fd = open(device_.c_str(), O_RDWR | O_CLOEXEC);
    int failure = errno;
    if (fd >= 0 && ioctl(fd, PPEXCL) == 0 && ioctl(fd, PPCLAIM) == 0) {
        fd_ = fd;
        return {};
    }
    if (fd >= 0) {
        failure = errno;
        close(fd);
    }
    return "Cannot use the parallel port " + device_ + ": " + std::strerror(failure) +
           ". Join the group that owns it (often lp), load the ppdev module (modprobe ppdev), "
           "run with --io ADDR as root, or try the tool with --sim FILE.\n";
}

void ppdev_port::write(std::uint16_t reg, std::uint8_t value) {
    unsigned char byte = value;
    note_write(reg, value);
    if (reg == LPT_DATA) ioctl(fd_, PPWDATA, &byte);
    else if (reg == LPT_CONTROL) ioctl(fd_, PPWCONTROL, &byte);
}

std::uint8_t ppdev_port::read(std::uint16_t reg) {
    unsigned char byte = 0xFF;
    if (reg == LPT_STATUS) ioctl(fd_, PPRSTATUS, &byte);
    return byte;
}
