// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/io_port.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define HAVE_X86_PORT_IO 1
#else
#define HAVE_X86_PORT_IO 0
#endif

namespace eeprom24c01 {

std::string io_port::name() const {
    char range[40];
    std::snprintf(range, sizeof range, "I/O ports 0x%x to 0x%x", base_, base_ + 2);
    return range;
}

std::string io_port::claim() {
    if (granted_) return {};
#if HAVE_X86_PORT_IO
    if (ioperm(base_, 3, 1) == 0) {
        granted_ = true;
        return {};
    }
    int failure = errno;
    std::string head = "Cannot use " + name() + ": " + std::strerror(failure) + ". ";
    // Refused to root: a kernel locked down under Secure Boot allows no
    // direct port access at all.
    if (geteuid() == 0 && failure == EPERM)
        return head + "The kernel may be locked down (Secure Boot): use the ppdev device with --port DEVICE.\n";
    return head + "Run as root, use the ppdev device with --port DEVICE, or try the tool with --sim FILE.\n";
#else
    return "Cannot use " + name() +
           ": direct port I/O exists only on x86 processors. Use the ppdev device with --port DEVICE.\n";
#endif
}

void io_port::write(std::uint16_t reg, std::uint8_t value) {
    note_write(reg, value);
#if HAVE_X86_PORT_IO
    if (granted_) outb(value, static_cast<unsigned short>(address_of(reg)));
#endif
}

std::uint8_t io_port::read(std::uint16_t reg) {
#if HAVE_X86_PORT_IO
    if (granted_) return inb(static_cast<unsigned short>(address_of(reg)));
#endif
    (void)reg;
    return 0xFF;
}

}  // namespace eeprom24c01
