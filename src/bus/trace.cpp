#include "bus/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr char SCL_ID = '!';
constexpr char SDA_ID = '"';

}  // namespace

std::string bus_trace::open(const std::string& path) {
    close();
    error_ = 0;
    file_ = path == "-" ? stdout : std::fopen(path.c_str(), "w");
    if (!file_) return std::strerror(errno);
    std::fprintf(file_,
                 "$version eeprom24c01 bus trace $end\n"
                 "$timescale 1us $end\n"
                 "$scope module board $end\n"
                 "$var wire 1 %c SCL $end\n"
                 "$var wire 1 %c SDA $end\n"
                 "$upscope $end\n"
                 "$enddefinitions $end\n",
                 SCL_ID, SDA_ID);
    have_sample_ = false;
    return {};
}

void bus_trace::sample(std::uint64_t t_us, bus_levels levels) {
    if (!file_) return;
    if (!have_sample_) {
        std::fprintf(file_, "#%llu\n$dumpvars\n%d%c\n%d%c\n$end\n",
                     static_cast<unsigned long long>(t_us), levels.scl, SCL_ID, levels.sda, SDA_ID);
        have_sample_ = true;
        last_time_ = t_us;
        last_levels_ = levels;
        return;
    }
    if (levels.scl == last_levels_.scl && levels.sda == last_levels_.sda) return;
    // Several changes inside one microsecond share one timestamp; a clock
    // that steps back (it should not) is held so that time never falls.
    if (t_us > last_time_) {
        std::fprintf(file_, "#%llu\n", static_cast<unsigned long long>(t_us));
        last_time_ = t_us;
    }
    if (levels.scl != last_levels_.scl) std::fprintf(file_, "%d%c\n", levels.scl, SCL_ID);
    if (levels.sda != last_levels_.sda) std::fprintf(file_, "%d%c\n", levels.sda, SDA_ID);
    last_levels_ = levels;
}

void bus_trace::flush() {
    if (file_ && std::fflush(file_) != 0 && error_ == 0) error_ = errno ? errno : EIO;
}

std::string bus_trace::close() {
    if (!file_) return {};
    flush();
    if (std::ferror(file_) && error_ == 0) error_ = EIO;
    if (file_ != stdout && std::fclose(file_) != 0 && error_ == 0) error_ = errno;
    file_ = nullptr;
    return error_ ? std::strerror(error_) : "";
}
