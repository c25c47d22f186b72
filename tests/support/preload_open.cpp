// SPDX-License-Identifier: GPL-3.0-or-later
// open and open64 for a preloaded fake: its own paths go to fake_open, every
// other to the C library. A build with _FORTIFY_SOURCE calls __open_2 and
// __open64_2 where the compiler cannot see the flags; a fake without them
// would let such a call past it.
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

// The checked forms take flags that need no mode. The fakes are built
// without _FORTIFY_SOURCE, so these calls are the ones above.
int __open_2(const char* path, int flags) { return open(path, flags); }

int __open64_2(const char* path, int flags) { return open64(path, flags); }

}  // extern "C"
