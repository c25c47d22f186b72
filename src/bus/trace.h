// SPDX-License-Identifier: GPL-3.0-or-later
// A VCD waveform of SCL and SDA, fed from every port write. It only looks at
// what the back end reports, so tracing never adds a port access. It is
// written during device actions, where a signal is noted rather than acting
// and a write blocked on a pipe returns EINTR: its own buffer goes out
// through write_all_unless_signalled, which goes on after a short write,
// where a stdio stream would drop what it held, and gives up only when a
// reader that stopped reading keeps it blocked after a signal.
#pragma once

#include <cstdint>
#include <string>

#include "transport/port_backend.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

class bus_trace {
public:
    bus_trace() = default;
    bus_trace(const bus_trace&) = delete;
    bus_trace& operator=(const bus_trace&) = delete;
    ~bus_trace() { close(); }

    // Starts a trace into path ("-": standard output): 0, or the errno of the
    // open that failed. Its timescale is 1 us, or 1 ns where fine: a bus at
    // a chosen clock has phases below a microsecond.
    int open(const std::string& path, bool fine = false);
    // Records the line levels at time t_ns if either line changed.
    void sample(std::uint64_t t_ns, bus_levels levels);
    // Pushes what has been recorded out to the file; after a failed write
    // the rest is dropped.
    void flush();
    bool on_standard_output() const { return fd_ == 1 && !owned_; }
    // Ends the trace: 0, or the errno of the first write that failed.
    int close();

private:
    int fd_ = -1;          // owned_, or standard output
    unique_fd owned_;
    std::string pending_;  // recorded, not yet written
    int error_ = 0;        // the first failed write's errno
    bool have_sample_ = false;
    std::uint64_t unit_ns_ = 1000;  // the timescale
    std::uint64_t last_time_ = 0;   // in units of the timescale
    bus_levels last_levels_{};
};

}  // namespace eeprom24c01
