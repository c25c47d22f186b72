// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/trace.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "util/write_all.h"

namespace eeprom24c01 {

namespace {

constexpr char SCL_ID = '!';
constexpr char SDA_ID = '"';
constexpr std::size_t FLUSH_AT = 64 * 1024;

void add_time(std::string& to, std::uint64_t t) { to += '#' + std::to_string(t) + '\n'; }

void add_level(std::string& to, bool level, char id) {
    to += level ? '1' : '0';
    to += id;
    to += '\n';
}

}  // namespace

int bus_trace::open(const std::string& path, bool fine) {
    close();
    error_ = 0;
    unit_ns_ = fine ? 1 : 1000;
    if (path == "-") {
        fd_ = 1;
    } else {
        owned_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!owned_) return errno;
        fd_ = owned_.get();
    }
    char header[256];
    std::snprintf(header, sizeof header,
                  "$version eeprom24c01 bus trace $end\n"
                  "$timescale %s $end\n"
                  "$scope module board $end\n"
                  "$var wire 1 %c SCL $end\n"
                  "$var wire 1 %c SDA $end\n"
                  "$upscope $end\n"
                  "$enddefinitions $end\n",
                  fine ? "1ns" : "1us", SCL_ID, SDA_ID);
    pending_ = header;
    // Out at once: on standard output the menu's text follows it.
    flush();
    have_sample_ = false;
    return 0;
}

void bus_trace::sample(std::uint64_t t_ns, bus_levels levels) {
    if (fd_ < 0) return;
    const std::uint64_t t = t_ns / unit_ns_;
    if (!have_sample_) {
        add_time(pending_, t);
        pending_ += "$dumpvars\n";
        add_level(pending_, levels.scl, SCL_ID);
        add_level(pending_, levels.sda, SDA_ID);
        pending_ += "$end\n";
        have_sample_ = true;
        last_time_ = t;
        last_levels_ = levels;
        return;
    }
    if (levels.scl == last_levels_.scl && levels.sda == last_levels_.sda) return;
    // Several changes inside one unit share one timestamp; a clock that
    // steps back (it should not) is held so that time never falls.
    if (t > last_time_) {
        add_time(pending_, t);
        last_time_ = t;
    }
    if (levels.scl != last_levels_.scl) add_level(pending_, levels.scl, SCL_ID);
    if (levels.sda != last_levels_.sda) add_level(pending_, levels.sda, SDA_ID);
    last_levels_ = levels;
    if (pending_.size() >= FLUSH_AT) flush();
}

void bus_trace::flush() {
    if (fd_ >= 0 && error_ == 0) error_ = write_all_unless_signalled(fd_, reinterpret_cast<const std::uint8_t*>(pending_.data()), pending_.size());
    pending_.clear();
}

int bus_trace::close() {
    if (fd_ < 0) return 0;
    flush();
    if (owned_ && ::close(owned_.release()) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    return error_;
}

}  // namespace eeprom24c01
