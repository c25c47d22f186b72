// SPDX-License-Identifier: GPL-3.0-or-later
// open and open64 for a preloaded fake: its own paths go to fake_open, every
// other to the C library.
#include <fcntl.h>

#include <cstdarg>

#include "support/preload_fake.h"

using namespace eeprom24c01;
namespace {

int open_through(const char* real_name, const char* path, int flags, va_list args) {
    mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    if (path && fake_stands_for(path)) return fake_open(path, flags);
    return preload::real<int (*)(const char*, int, ...)>(real_name)(path, flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    int fd = open_through("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    int fd = open_through("open64", path, flags, args);
    va_end(args);
    return fd;
}

}  // extern "C"
