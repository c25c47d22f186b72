// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the built tool (LD_PRELOAD): the simulated board keeps its
// virtual clock, but each save of its chip file (one pwrite of the whole
// chip at the end of an action that wrote it) also takes SLOW_CHIP_MS of
// real time, as a real board's write cycles do. Stations that share a
// serial file and a log can so be seen to run side by side. Files whose
// names do not end in SLOW_CHIP_ENDING, and every other call, pass through.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

bool slow_file(int fd) {
    const char* ending = std::getenv("SLOW_CHIP_ENDING");
    if (!ending || !*ending) return false;
    char name[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = readlink(link.c_str(), name, sizeof name - 1);
    return size > 0 && std::string(name, static_cast<std::size_t>(size)).ends_with(ending);
}

void take_time(int fd) {
    const char* ms = std::getenv("SLOW_CHIP_MS");
    if (ms && slow_file(fd)) std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
}

using pwrite_call = ssize_t (*)(int, const void*, size_t, off_t);

}  // namespace

extern "C" ssize_t pwrite(int fd, const void* bytes, size_t size, off_t offset) {
    take_time(fd);
    return reinterpret_cast<pwrite_call>(dlsym(RTLD_NEXT, "pwrite"))(fd, bytes, size, offset);
}
