// SPDX-License-Identifier: GPL-3.0-or-later
// A fake of the Linux ppdev driver at its system-call boundary, preloaded
// into the built tool (LD_PRELOAD). It answers open, ioctl and close for one
// path only, FAKE_PPDEV_PATH, which is never a real device, and passes every
// other call through. Behind the fake port sits the simulated 24C01, on real
// time. As in the kernel, the port has one holder and a wait list shared by
// every process: a claim queues its file and sleeps until the file is first;
// a claim interrupted by a signal leaves the file queued until it is closed;
// a release or a close hands the port to the next file in the list.
// Environment:
//   FAKE_PPDEV_PATH  the path it stands for
//   FAKE_PPDEV_CHIP  128-byte chip file, read at open, written at each release
//   FAKE_PPDEV_LOG   a line per open, claim, release and close; a release
//                    line counts the accesses of the claim and their pacing;
//                    "forgot to release" when a holder closes without release
//   FAKE_PPDEV_QUEUE the wait list, a line per file, the holder first; a line
//                    a test writes there stands for another driver, such as
//                    lp printing a job, until the test takes it out again
//   FAKE_PPDEV_FAIL  open=ERRNO, claim=ERRNO, claim=block (sleep until a
//                    signal, as a port held by a print job), access=ERRNO@N
//                    (the Nth register access fails), status=0x00 (every
//                    status bit reads 0, as on a board without power)
//   FAKE_PPDEV_ACK_LIMIT the chip acknowledges this many bytes, then none
#include <fcntl.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
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

struct fake_port {
    int fd = -1;
    bool claimed = false;
    sim_chip chip;
    bool scl = false, master_sda = false;
    const char* last_condition = "none";
    long writes = 0, reads = 0, unclaimed = 0, accesses = 0;
    std::int64_t last_write_ns = -1, min_gap_ns = -1;
    std::int64_t origin_ns = 0;
} port;

using preload::env;
using preload::fail;
using preload::real;

std::int64_t now_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void log_line(const std::string& line) { preload::log_to("FAKE_PPDEV_LOG", line); }

// The errno that FAKE_PPDEV_FAIL gives for what ("open", "claim",
// "access"), or 0; at receives the N of access=ERRNO@N.
int failure_for(const char* what, long* at = nullptr) {
    std::string setting = env("FAKE_PPDEV_FAIL");
    std::string prefix = std::string(what) + "=";
    if (setting.rfind(prefix, 0) != 0) return 0;
    std::string name = setting.substr(prefix.size());
    if (std::size_t sign = name.find('@'); sign != std::string::npos) {
        if (at) *at = std::atol(name.c_str() + sign + 1);
        name.resize(sign);
    }
    const struct { const char* name; int value; } known[] = {
        {"EACCES", EACCES}, {"ENOENT", ENOENT}, {"ENXIO", ENXIO}, {"ENODEV", ENODEV},
        {"ENOTTY", ENOTTY}, {"EIO", EIO},       {"block", -1},
    };
    for (const auto& k : known)
        if (name == k.name) return k.value;
    return 0;
}

void save_chip() { preload::save_chip("FAKE_PPDEV_CHIP", port.chip); }

void load_chip() {
    preload::load_chip("FAKE_PPDEV_CHIP", port.chip, default_sim_chip());
    if (*env("FAKE_PPDEV_ACK_LIMIT")) port.chip.ack_limit = std::atol(env("FAKE_PPDEV_ACK_LIMIT"));
}

bool wire_sda() { return port.master_sda && chip_bus_sda(port.chip); }

void drive(bool scl, bool master_sda) {
    bool was_scl = port.scl, was_sda = wire_sda();
    port.scl = scl;
    port.master_sda = master_sda;
    chip_lines(port.chip, scl, master_sda, static_cast<std::uint64_t>((now_ns() - port.origin_ns) / 1000));
    bool sda = wire_sda();
    if (was_scl && scl && was_sda != sda) port.last_condition = sda ? "stop" : "start";
}

void note_access(bool is_write) {
    std::int64_t t = now_ns();
    if (port.last_write_ns >= 0) {
        std::int64_t gap = t - port.last_write_ns;
        if (port.min_gap_ns < 0 || gap < port.min_gap_ns) port.min_gap_ns = gap;
    }
    port.last_write_ns = is_write ? t : -1;
    ++(is_write ? port.writes : port.reads);
}

int register_access(unsigned long request, unsigned char* byte) {
    if (!port.claimed) {
        ++port.unclaimed;
        return fail(EINVAL);  // ppdev refuses register access without a claim
    }
    long at = 0;
    int error = failure_for("access", &at);
    if (error != 0 && ++port.accesses == at) return fail(error);
    switch (request) {
        case PPWDATA:
            note_access(true);
            drive(port.scl, (*byte & 0x80) != 0);
            return 0;
        case PPWCONTROL:
            note_access(true);
            drive((*byte & 0x04) != 0, port.master_sda);
            return 0;
        default:
            note_access(false);
            *byte = std::strcmp(env("FAKE_PPDEV_FAIL"), "status=0x00") == 0 ? 0x00 : wire_sda() ? 0xFF : 0xBF;
            return 0;
    }
}

// This process's open file in the wait list.
std::string queue_name() { return std::to_string(getpid()) + "." + std::to_string(port.fd); }

enum class queue_step { look, join, leave };

// Takes a step in the wait list under its lock. Returns whether this file
// holds the port: after a look or a join, before a leave.
bool wait_list(queue_step step) {
    int fd = real<int (*)(const char*, int, ...)>("open")(env("FAKE_PPDEV_QUEUE"), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return step == queue_step::join;  // no list: nobody else claims
    flock(fd, LOCK_EX);
    std::string text(4096, '\0');
    text.resize(static_cast<std::size_t>(std::max<ssize_t>(0, pread(fd, text.data(), text.size(), 0))));
    std::vector<std::string> files;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        files.push_back(text.substr(at, end - at));
    std::string me = queue_name();
    auto mine = std::find(files.begin(), files.end(), me);
    bool held = mine == files.begin() && mine != files.end();
    if (step == queue_step::join && mine == files.end()) files.push_back(me);
    if (step == queue_step::leave && mine != files.end()) files.erase(mine);
    if (step != queue_step::look) {
        text.clear();
        for (const auto& file : files) text += file + "\n";
        if (ftruncate(fd, 0) != 0 || pwrite(fd, text.data(), text.size(), 0) < 0) log_line("wait list not written");
    }
    real<int (*)(int)>("close")(fd);
    return step == queue_step::leave ? held : !files.empty() && files.front() == me;
}

int claim() {
    int error = failure_for("claim");
    if (error == -1) {
        log_line("claim blocked");
        pause();  // a signal, such as the tool's alarm, ends the wait
        return fail(EINTR);
    }
    if (error != 0) return fail(error);
    // Signals are let in only while asleep, so that none slips in between a
    // look at the list and the sleep.
    sigset_t all, before;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
    bool first = wait_list(queue_step::join);
    if (!first) log_line("claim waits");
    while (!first) {
        timespec nap{0, 1000000};
        if (ppoll(nullptr, 0, &nap, &before) < 0 && errno == EINTR) break;
        first = wait_list(queue_step::look);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    if (!first) return fail(EINTR);  // still queued, as in the kernel
    port.claimed = true;
    port.writes = port.reads = 0;
    port.last_write_ns = port.min_gap_ns = -1;
    log_line("claim");
    return 0;
}

void release() {
    wait_list(queue_step::leave);
    port.claimed = false;
    save_chip();
    char line[200];
    std::snprintf(line, sizeof line, "release writes=%ld reads=%ld min_gap_ns=%lld scl=%d sda=%d last=%s unclaimed=%ld",
                  port.writes, port.reads, static_cast<long long>(port.min_gap_ns), port.scl, wire_sda(),
                  port.last_condition, port.unclaimed);
    log_line(line);
}

int open_fake(const char* path, int flags) {
    if (int error = failure_for("open")) return fail(error);
    int fd = real<int (*)(const char*, int, ...)>("open")("/dev/null", flags & O_CLOEXEC);
    if (fd < 0) return fd;
    port.fd = fd;
    port.claimed = false;
    port.origin_ns = now_ns();
    load_chip();
    log_line(std::string("open ") + path);
    return fd;
}

// A holder that closes its file without PPRELEASE: the kernel complains
// and releases the port for it.
void close_fake() {
    if (wait_list(queue_step::look)) {
        log_line("forgot to release");
        release();
    }
    wait_list(queue_step::leave);
    log_line("close");
}

}  // namespace

bool fake_stands_for(const char* path) { return *env("FAKE_PPDEV_PATH") && std::strcmp(path, env("FAKE_PPDEV_PATH")) == 0; }

int fake_open(const char* path, int flags) { return open_fake(path, flags); }

extern "C" {

int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (fd < 0 || fd != port.fd) return real<int (*)(int, unsigned long, void*)>("ioctl")(fd, request, argument);
    switch (request) {
        case PPCLAIM:
            return claim();
        case PPRELEASE:
            release();
            return 0;
        case PPWDATA:
        case PPWCONTROL:
        case PPRSTATUS:
            return register_access(request, static_cast<unsigned char*>(argument));
        case PPEXCL:
            log_line("exclusive");
            return fail(ENXIO);  // as beside the printer driver
        default:
            log_line("other ioctl");
            return fail(EINVAL);
    }
}

int close(int fd) {
    if (fd >= 0 && fd == port.fd) {
        close_fake();
        port.fd = -1;
    }
    return real<int (*)(int)>("close")(fd);
}

}  // extern "C"

// The kernel closes what the process left open at its exit.
__attribute__((destructor)) static void close_at_exit() {
    if (port.fd >= 0) close_fake();
}
