// SPDX-License-Identifier: GPL-3.0-or-later
// What whole-image writes and reads cost on the simulated board, against the
// floor of the traffic they cannot avoid: bus time on the board's virtual
// clock, the transactions and port accesses behind it, and the real
// processor time the tool spent.
//
// One clock on this bus is three port writes, each followed by a 5 us bit
// delay: 15 us. The floor of a write is, for each page transaction, the
// chip's write cycle plus the bits sent after its control byte (that byte's
// acknowledge, the word address and the data with theirs, and the stop): the
// start and control byte may go out while the last write cycle still runs,
// as acknowledge polling sends them. The floor of a read is its bits.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/command.h"
#include "device/parallel_device.h"
#include "eeprom/eeprom.h"
#include "sim/sim_board.h"

using namespace eeprom24c01;
namespace {

constexpr int REPEATS = 3;
constexpr double CLOCK_US = 3 * SIM_BIT_DELAY_US;

using bytes = std::vector<std::uint8_t>;

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

chip_target target_for(const char* chip, std::uint16_t page) { return {find_chip(chip), page}; }

bytes pattern(std::size_t size) {
    bytes image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255);
    return image;
}

// Floors in microseconds.
double read_floor(const chip_target& t) {
    // start, control, word address, repeated start, read control, data, stop
    return (1 + 9 + 9.0 * t.profile->address_bytes + 1 + 9 + 9.0 * t.size() + 1) * CLOCK_US;
}
double page_floor(const chip_target& t, std::size_t data_bytes) {
    return static_cast<double>(CHIP_WRITE_CYCLE_US) + (1 + 9.0 * t.profile->address_bytes + 9.0 * data_bytes + 1) * CLOCK_US;
}
double write_floor(const chip_target& t) { return static_cast<double>(t.size() / t.page_size) * page_floor(t, t.page_size); }

struct figures {
    sim_counters counters;
    std::uint64_t bus_us = 0;
    double cpu_us = 0;
};

// Runs action on a board whose chip holds contents; the counters and bus
// time are those of the last run, the processor time their mean.
figures measure(const chip_target& target, const bytes& contents,
                const std::function<void(eeprom_device&)>& action) {
    figures f;
    double cpu = 0;
    for (int i = 0; i < REPEATS; ++i) {
        sim_board board(sim_chip_config_for(target), contents, true);
        parallel_device device(board, target, nullptr, true);  // as the command line writes
        double start = cpu_seconds();
        action(device);
        cpu += cpu_seconds() - start;
        f.counters = board.counters();
        f.bus_us = board.now_us();
    }
    f.cpu_us = cpu / REPEATS * 1e6;
    return f;
}

void show(const std::string& name, const figures& f, double floor) {
    std::printf("%-26s %11llu %12llu %13.0f %12.0f %6.3f %12.0f\n", name.c_str(),
                static_cast<unsigned long long>(f.counters.port_writes),
                static_cast<unsigned long long>(f.counters.write_cycle_waits), static_cast<double>(f.bus_us), floor,
                static_cast<double>(f.bus_us) / floor, f.cpu_us);
}

void whole_write(const char* chip, std::uint16_t page) {
    chip_target target = target_for(chip, page);
    bytes image = pattern(target.size());
    figures f = measure(target, bytes(target.size(), 0xFF), [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return write_image(device, image); }).result != device_result::done) std::abort();
    });
    show(std::string(chip) + " write, page " + std::to_string(page), f, write_floor(target));
}

// The command line's -w of image over a chip holding held: the read, the
// pages that differ, the read-back.
void rewrite(const char* name, const char* chip, std::uint16_t page, std::size_t changed) {
    chip_target target = target_for(chip, page);
    bytes held = pattern(target.size()), image = held;
    for (std::size_t i = 0; i < changed; ++i) image[target.size() / 2 + i] ^= 0x5A;
    char path[] = "/tmp/eeprom_bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size())) std::abort();
    close(fd);
    tool_options options;
    options.action = tool_action::write;
    options.image_file = path;
    figures f = measure(target, held, [&](eeprom_device& device) {
        int saved = dup(2), null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        int status = run_command(options, device);
        dup2(saved, 2);
        close(saved);
        close(null);
        if (status != EXIT_DONE) std::abort();
    });
    unlink(path);
    double floor = 2 * read_floor(target) + (changed > 0 ? page_floor(target, changed) : 0);
    show(std::string(chip) + " -w, " + name, f, floor);
}

}  // namespace

int main() {
    std::printf("simulated board: bit delay %llu us (a clock: %.0f us), write-cycle wait %llu us, chip tWR %llu us; "
                "cpu time is the mean of %d runs\n\n",
                static_cast<unsigned long long>(SIM_BIT_DELAY_US), CLOCK_US,
                static_cast<unsigned long long>(SIM_WRITE_CYCLE_WAIT_US),
                static_cast<unsigned long long>(CHIP_WRITE_CYCLE_US), REPEATS);
    std::printf("%-26s %11s %12s %13s %12s %6s %12s\n", "action", "port writes", "page writes", "bus time us",
                "floor us", "ratio", "cpu time us");
    whole_write("24c01", 1);
    whole_write("24c01", 4);
    whole_write("24c01", 8);
    whole_write("24c16", 16);
    whole_write("24c256", 64);
    whole_write("24c256", 1);
    chip_target t01 = target_for("24c01", 1);
    bytes contents = pattern(t01.size()), read(t01.size());
    figures f = measure(t01, contents, [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return read_image(device, read); }).result != device_result::done) std::abort();
    });
    show("24c01 read", f, read_floor(t01));
    rewrite("identical", "24c01", 1, 0);
    rewrite("one byte changed", "24c01", 1, 1);
    rewrite("identical", "24c256", 64, 0);
    rewrite("one byte changed", "24c256", 64, 1);
    std::printf("\nfloor: write, pages x (tWR + bits sent after the control byte); read, its bits;\n"
                "       -w, a read and its read-back, and the page written\n");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
