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
// Rows at a chosen clock (--clock) have the same floors with a clock of
// 1/f: the bits the part's own speed allows.
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
#include "bus/timing.h"
#include "device/parallel_device.h"
#include "eeprom/eeprom.h"
#include "device/ch341_device.h"
#include "sim/ch341_sim_link.h"
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

// A bus at the old bit delays (hz 0), or at a chosen clock.
struct bus_clock {
    std::uint32_t hz = 0;
    double clock_us() const { return hz ? 1e6 / hz : CLOCK_US; }
    // " @400k": the rows' names stay within their column.
    std::string suffix() const {
        return hz == 0 ? "" : hz % 1000000 == 0 ? " @" + std::to_string(hz / 1000000) + "M" : " @" + std::to_string(hz / 1000) + "k";
    }
};

bytes pattern(std::size_t size) {
    bytes image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255);
    return image;
}

// Floors in microseconds.
double read_floor(const chip_target& t, bus_clock bus = {}) {
    // start, control, word address, repeated start, read control, data, stop
    return (1 + 9 + 9.0 * t.profile->address_bytes + 1 + 9 + 9.0 * t.size() + 1) * bus.clock_us();
}
double page_floor(const chip_target& t, std::size_t data_bytes, bus_clock bus = {}) {
    return static_cast<double>(CHIP_WRITE_CYCLE_US) +
           (1 + 9.0 * t.profile->address_bytes + 9.0 * data_bytes + 1) * bus.clock_us();
}
double write_floor(const chip_target& t, bus_clock bus = {}) {
    return static_cast<double>(t.size() / t.page_size) * page_floor(t, t.page_size, bus);
}

struct figures {
    sim_counters counters;
    std::uint64_t bus_us = 0;
    double cpu_us = 0;
};

// Runs action on a board whose chip holds contents; the counters and bus
// time are those of the last run, the processor time their mean.
figures measure(const chip_target& target, const bytes& contents,
                const std::function<void(eeprom_device&)>& action, bus_clock bus = {}) {
    figures f;
    double cpu = 0;
    for (int i = 0; i < REPEATS; ++i) {
        sim_board board(sim_chip_config_for(target), contents, true);
        // As the command line writes.
        parallel_device device(board, target, nullptr, true, timing_at(bus.hz, target.profile->write_cycle_ms));
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

void whole_write(const char* chip, std::uint16_t page, bus_clock bus = {}) {
    chip_target target = target_for(chip, page);
    bytes image = pattern(target.size());
    figures f = measure(target, bytes(target.size(), 0xFF), [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return write_image(device, image); }).result != device_result::done) std::abort();
    }, bus);
    const std::string what = bus.hz ? " page " : " write, page ";
    show(std::string(chip) + what + std::to_string(page) + bus.suffix(), f, write_floor(target, bus));
}

void whole_read(const char* chip, bus_clock bus = {}) {
    chip_target target = target_for(chip, 1);
    bytes contents = pattern(target.size()), read(target.size());
    figures f = measure(target, contents, [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return read_image(device, read); }).result != device_result::done) std::abort();
    }, bus);
    show(std::string(chip) + " read" + bus.suffix(), f, read_floor(target, bus));
}

// The command line's -w of image (in a temporary file, removed when the
// function is dropped) as an action on a device.
struct rewrite_run {
    std::string path;
    tool_options options;
    explicit rewrite_run(const bytes& image) {
        char name[] = "/tmp/eeprom_bench-XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0 || write(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size())) std::abort();
        close(fd);
        path = name;
        options.action = tool_action::write;
        options.image_file = path;
    }
    ~rewrite_run() { unlink(path.c_str()); }
    void operator()(eeprom_device& device) const {
        int saved = dup(2), null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        int status = run_command(options, device);
        dup2(saved, 2);
        close(saved);
        close(null);
        if (status != EXIT_DONE) std::abort();
    }
};

// The command line's -w of image over a chip holding held: the read, the
// pages that differ, the read-back.
void rewrite(const char* name, const char* chip, std::uint16_t page, std::size_t changed, bus_clock bus = {}) {
    chip_target target = target_for(chip, page);
    bytes held = pattern(target.size()), image = held;
    for (std::size_t i = 0; i < changed; ++i) image[target.size() / 2 + i] ^= 0x5A;
    rewrite_run run(image);
    figures f = measure(target, held, [&](eeprom_device& device) { run(device); }, bus);
    double floor = 2 * read_floor(target, bus) + (changed > 0 ? page_floor(target, changed, bus) : 0);
    show(std::string(chip) + " -w, " + name + bus.suffix(), f, floor);
}

// The CH341A programmer, emulated: its bit period at each clock, and a USB
// round trip (a full-speed frame) for every transfer that waits for an
// answer. The floors count whole transactions at the clock, start and stop
// included, and the write cycle of each page; no round trip.
struct ch341_figures {
    ch341_counts counts;
    std::uint64_t time_us = 0;
    double cpu_us = 0;
};

double transaction_bits(const chip_target& t, std::size_t bytes_after_address) {
    return 1 + 9 * (1.0 + t.profile->address_bytes + static_cast<double>(bytes_after_address)) + 1;
}
double ch341_write_floor(const chip_target& t, double bit_us) {
    return static_cast<double>(t.size() / t.page_size) *
           (static_cast<double>(CHIP_WRITE_CYCLE_US) + transaction_bits(t, t.page_size) * bit_us);
}

ch341_figures measure_ch341(const chip_target& target, std::uint32_t hz, const bytes& contents,
                            const std::function<void(eeprom_device&)>& action) {
    ch341_figures f;
    double cpu = 0;
    for (int i = 0; i < REPEATS; ++i) {
        ch341_stream stream(sim_chip_config_for(target), contents);
        ch341_sim_link link(stream);
        ch341_device device(link, target, hz, [&] { return std::chrono::microseconds(stream.now_us()); });
        double start = cpu_seconds();
        action(device);
        cpu += cpu_seconds() - start;
        if (stream.counts().protocol_errors != 0) std::abort();
        f.counts = stream.counts();
        f.time_us = stream.now_us();
    }
    f.cpu_us = cpu / REPEATS * 1e6;
    return f;
}

void show_ch341(const std::string& name, const ch341_figures& f, double floor) {
    const ch341_counts& c = f.counts;
    std::printf("%-30s %9llu %9llu %9llu %12.0f %12.0f %6.3f %11.0f\n", name.c_str(),
                static_cast<unsigned long long>(c.out_transfers + c.in_transfers),
                static_cast<unsigned long long>(c.out_packets), static_cast<unsigned long long>(c.in_packets),
                static_cast<double>(f.time_us), floor, static_cast<double>(f.time_us) / floor, f.cpu_us);
}

void ch341_rows(const char* chip, std::uint16_t page, std::uint32_t hz) {
    const chip_target target = target_for(chip, page);
    const double bit_us = 1e6 / hz;
    const std::string head = std::string(chip) + " " + std::to_string(hz / 1000) + " kHz ";
    const bytes image = pattern(target.size());
    ch341_figures f = measure_ch341(target, hz, bytes(target.size(), 0xFF), [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return write_image(device, image); }).result != device_result::done) std::abort();
    });
    const double write_floor = ch341_write_floor(target, bit_us);
    show_ch341(head + "write", f, write_floor);
    if (hz == 400000 && target.size() == 32768)
        std::printf("  target: at most 1.25 x the floor, %.0f us: %s\n", 1.25 * write_floor,
                    static_cast<double>(f.time_us) <= 1.25 * write_floor ? "met" : "NOT MET");
    bytes read(target.size());
    f = measure_ch341(target, hz, image, [&](eeprom_device& device) {
        if (run_device_action(device, [&] { return read_image(device, read); }).result != device_result::done) std::abort();
    });
    show_ch341(head + "read", f, read_floor(target, bus_clock{hz}));
    // Less the one OUT packet that sets the address and the one IN packet of its status bytes.
    std::printf("  data: %.1f bytes an IN packet, %.2f OUT packets for 32 bytes read\n",
                static_cast<double>(target.size()) / static_cast<double>(f.counts.in_packets - 1),
                32.0 * static_cast<double>(f.counts.out_packets - 1) / static_cast<double>(target.size()));
    rewrite_run run(image);
    f = measure_ch341(target, hz, image, [&](eeprom_device& device) { run(device); });
    show_ch341(head + "-w, identical", f, 2 * read_floor(target, bus_clock{hz}));
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
    whole_read("24c01");
    rewrite("identical", "24c01", 1, 0);
    rewrite("one byte changed", "24c01", 1, 1);
    rewrite("identical", "24c256", 64, 0);
    rewrite("one byte changed", "24c256", 64, 1);
    whole_read("24c256");
    // At the part's own speed: an AT24C256 is rated for 1 MHz at 5 V.
    for (bus_clock bus : {bus_clock{400000}, bus_clock{1000000}}) {
        whole_write("at24c256", 64, bus);
        whole_read("at24c256", bus);
        rewrite("same", "at24c256", 64, 0, bus);
        rewrite("1 byte", "at24c256", 64, 1, bus);
    }
    std::printf("\nfloor: write, pages x (tWR + bits sent after the control byte); read, its bits;\n"
                "       -w, a read and its read-back, and the page written\n"
                "at a clock: the same, each bit at 1/clock\n");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\nCH341A, emulated: a USB round trip of %llu us for each transfer answered; cpu time the mean of %d runs\n\n",
                static_cast<unsigned long long>(CH341_ROUND_TRIP_US), REPEATS);
    std::printf("%-30s %9s %9s %9s %12s %12s %6s %11s\n", "action", "transfers", "OUT pkts", "IN pkts", "time us",
                "floor us", "ratio", "cpu time us");
    for (std::uint32_t hz : {100000u, 400000u}) {
        ch341_rows("24c01", 1, hz);
        ch341_rows("at24c16", 16, hz);
        ch341_rows("at24c256", 64, hz);
    }
    std::printf("\nfloor: write, pages x (tWR + the page's bits); read, its bits; -w, a read and its read-back\n");
    std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
