#include "bus/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::FILE* trace_file = nullptr;
int trace_error = 0;  // the first failed write's errno
bool have_sample = false;
std::uint64_t last_time = 0;
bus_levels last_levels{};

constexpr char SCL_ID = '!';
constexpr char SDA_ID = '"';

}  // namespace

std::string trace_open(const std::string& path) {
    trace_close();
    trace_error = 0;
    trace_file = path == "-" ? stdout : std::fopen(path.c_str(), "w");
    if (!trace_file) return std::strerror(errno);
    std::fprintf(trace_file,
                 "$version eeprom24c01 bus trace $end\n"
                 "$timescale 1us $end\n"
                 "$scope module board $end\n"
                 "$var wire 1 %c SCL $end\n"
                 "$var wire 1 %c SDA $end\n"
                 "$upscope $end\n"
                 "$enddefinitions $end\n",
                 SCL_ID, SDA_ID);
    have_sample = false;
    return {};
}

bool trace_active() { return trace_file != nullptr; }

void trace_sample(std::uint64_t t_us, bus_levels levels) {
    if (!trace_file) return;
    if (!have_sample) {
        std::fprintf(trace_file, "#%llu\n$dumpvars\n%d%c\n%d%c\n$end\n",
                     static_cast<unsigned long long>(t_us), levels.scl, SCL_ID, levels.sda, SDA_ID);
        have_sample = true;
        last_time = t_us;
        last_levels = levels;
        return;
    }
    if (levels.scl == last_levels.scl && levels.sda == last_levels.sda) return;
    // Several changes inside one microsecond share one timestamp; a clock
    // that steps back (it should not) is held so that time never falls.
    if (t_us > last_time) {
        std::fprintf(trace_file, "#%llu\n", static_cast<unsigned long long>(t_us));
        last_time = t_us;
    }
    if (levels.scl != last_levels.scl) std::fprintf(trace_file, "%d%c\n", levels.scl, SCL_ID);
    if (levels.sda != last_levels.sda) std::fprintf(trace_file, "%d%c\n", levels.sda, SDA_ID);
    last_levels = levels;
}

void trace_flush() {
    if (trace_file && std::fflush(trace_file) != 0 && trace_error == 0) trace_error = errno ? errno : EIO;
}

std::string trace_close() {
    if (!trace_file) return {};
    trace_flush();
    if (std::ferror(trace_file) && trace_error == 0) trace_error = EIO;
    if (trace_file != stdout && std::fclose(trace_file) != 0 && trace_error == 0) trace_error = errno;
    trace_file = nullptr;
    return trace_error ? std::strerror(trace_error) : "";
}
