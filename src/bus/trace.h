// A VCD waveform of SCL and SDA, fed from every port write. It only looks at
// what the back end reports, so tracing never adds a port access.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "transport/port_backend.h"

class bus_trace {
public:
    // Starts a trace into path. Returns "" or the reason it could not be opened.
    std::string open(const std::string& path);
    // Records the line levels at time t_us if either line changed.
    void sample(std::uint64_t t_us, bus_levels levels);
    // Pushes what has been recorded out to the file.
    void flush();

private:
    struct closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, closer> file_;
    bool have_sample_ = false;
    std::uint64_t last_time_ = 0;
    bus_levels last_levels_{};
};
