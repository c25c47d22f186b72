// Runs write, read and verify, and the command line's --write with its
// read-back, on the simulated board and prints what each costs: port
// traffic, bit delays, time on the board's virtual clock, and real processor
// time; and how the bus time compares with the physical floor of a 24C01 at
// 100 kHz.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>

#include "bus/port.h"
#include "app/command.h"
#include "app/menu_actions.h"
#include "eeprom/eeprom.h"
#include "image/image.h"
#include "sim/sim_board.h"

namespace {

constexpr int REPEATS = 20;
constexpr double BIT_TIME_US = 10.0;  // one clock at 100 kHz

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The actions print dumps, reports and messages; the benchmark shows only
// its figures.
struct quiet_output {
    int saved_out, saved_err;
    quiet_output() {
        std::fflush(nullptr);
        saved_out = dup(1);
        saved_err = dup(2);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        close(null);
    }
    ~quiet_output() {
        std::fflush(nullptr);
        dup2(saved_out, 1);
        dup2(saved_err, 2);
        close(saved_out);
        close(saved_err);
    }
};

struct figures {
    sim_counters counters;
    std::uint64_t bus_us = 0;
    double cpu_us = 0;
};

figures measure(const std::function<void()>& action) {
    std::uint8_t blank[IMAGE_SIZE];
    std::memset(blank, 0xFF, IMAGE_SIZE);
    figures f;
    double cpu = 0;
    for (int i = 0; i < REPEATS; ++i) {
        // The same image each time: a read replaces it with the chip's.
        for (int j = 0; j < IMAGE_SIZE; ++j) image_buffer[j] = static_cast<std::uint8_t>(j * 37 + 11);
        sim_board board(default_sim_chip(), blank, true);
        port_use(&board);
        write_eeprom();  // every action starts from a programmed, idle chip
        board.advance_us(CHIP_WRITE_CYCLE_US);
        sim_counters before = board.counters();
        std::uint64_t start_us = board.now_us();
        double start_cpu = cpu_seconds();
        {
            quiet_output quiet;
            action();
        }
        cpu += cpu_seconds() - start_cpu;
        const sim_counters& after = board.counters();
        f.counters = {after.port_writes - before.port_writes, after.status_reads - before.status_reads,
                      after.bit_delays - before.bit_delays, after.write_cycle_waits - before.write_cycle_waits};
        f.bus_us = board.now_us() - start_us;
        port_use(nullptr);
    }
    f.cpu_us = cpu / REPEATS * 1e6;
    return f;
}

void show(const char* name, const figures& f) {
    std::printf("%-7s %11llu %12llu %11llu %12llu %14.0f %13.0f\n", name,
                static_cast<unsigned long long>(f.counters.port_writes),
                static_cast<unsigned long long>(f.counters.status_reads),
                static_cast<unsigned long long>(f.counters.bit_delays),
                static_cast<unsigned long long>(f.counters.write_cycle_waits), static_cast<double>(f.bus_us), f.cpu_us);
}

// The image that --write programs, in a file as the command line takes it.
std::string image_file() {
    char path[] = "/tmp/eeprom_bench-XXXXXX";
    int fd = mkstemp(path);
    std::uint8_t image[IMAGE_SIZE];
    for (int j = 0; j < IMAGE_SIZE; ++j) image[j] = static_cast<std::uint8_t>(j * 37 + 11);
    if (fd < 0 || write(fd, image, IMAGE_SIZE) != IMAGE_SIZE) std::exit(1);
    close(fd);
    return path;
}

}  // namespace

int main() {
    figures write = measure(write_eeprom);
    figures read = measure(read_eeprom_to_buffer);
    figures verify = measure(verify_eeprom);
    tool_options command;
    command.action = tool_action::write;
    command.image_file = image_file();
    figures command_write = measure([&] {
        if (run_command(command) != EXIT_DONE) std::abort();
    });
    unlink(command.image_file.c_str());

    std::printf("simulated board: bit delay %llu us, write-cycle wait %llu us, chip tWR %llu us; cpu time is the mean of %d runs\n\n",
                static_cast<unsigned long long>(SIM_BIT_DELAY_US), static_cast<unsigned long long>(SIM_WRITE_CYCLE_WAIT_US),
                static_cast<unsigned long long>(CHIP_WRITE_CYCLE_US), REPEATS);
    std::printf("action   port writes status reads  bit delays cycle waits    bus time us   cpu time us\n");
    show("write", write);
    show("read", read);
    show("verify", verify);
    show("--write", command_write);

    double write_floor = IMAGE_SIZE * (static_cast<double>(CHIP_WRITE_CYCLE_US) + 29 * BIT_TIME_US);
    double read_floor = 131 * 9 * BIT_TIME_US + 3 * BIT_TIME_US;
    std::printf("\nwrite: bus time / 128 x (tWR + 29 bit times) = %.0f / %.0f = %.3f\n", static_cast<double>(write.bus_us),
                write_floor, static_cast<double>(write.bus_us) / write_floor);
    std::printf("read:  bus time / (131 bytes x 9 bit times + start, repeated start, stop) = %.0f / %.0f = %.3f\n",
                static_cast<double>(read.bus_us), read_floor, static_cast<double>(read.bus_us) / read_floor);
    std::printf("--write: bus time / (write floor + read floor) = %.0f / %.0f = %.3f\n",
                static_cast<double>(command_write.bus_us), write_floor + read_floor,
                static_cast<double>(command_write.bus_us) / (write_floor + read_floor));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
