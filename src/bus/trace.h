// A VCD waveform of SCL and SDA, fed from every port write. It only looks at
// what the back end reports, so tracing never adds a port access.
#pragma once

#include <cstdint>
#include <string>

#include "bus/port.h"

// Starts a trace into path ("-": standard output). Returns "" or the reason
// it could not be opened.
std::string trace_open(const std::string& path);
bool trace_active();
// Records the line levels at time t_us if either line changed.
void trace_sample(std::uint64_t t_us, bus_levels levels);
// Pushes what has been recorded out to the file.
void trace_flush();
// Ends the trace. Returns "" or why some of it could not be written.
std::string trace_close();
