// SPDX-License-Identifier: GPL-3.0-or-later
// A port back end that records every access in order and answers status
// reads from a script, for exact register-sequence tests.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/parallel_device.h"
#include "transport/port_backend.h"

namespace eeprom24c01 {

// The default 24C01's control bytes: device code 1010, chip select 000, R/W.
inline constexpr std::uint8_t DEVICE_WRITE = 0xA0, DEVICE_READ = 0xA1;

enum class port_op { write, read, bit_delay, write_cycle };

struct port_event {
    port_op kind;
    std::uint16_t reg = 0;
    std::uint8_t value = 0;
    bool operator==(const port_event&) const = default;
};

class recording_port : public port_backend {
public:
    std::vector<port_event> events;
    std::deque<std::uint8_t> status_script;  // answers, in order
    std::uint8_t status_after_script = 0xFF;  // once the script runs out
    std::string refusal;                      // claim() answer
    int claims = 0;
    int action_ends = 0;

    std::string claim() override {
        ++claims;
        return refusal;
    }
    void action_end() override { ++action_ends; }
    std::string name() const override { return "the recording port"; }
    void write(std::uint16_t reg, std::uint8_t value) override { events.push_back({port_op::write, reg, value}); }
    std::uint8_t read(std::uint16_t reg) override {
        std::uint8_t value = status_after_script;
        if (!status_script.empty()) {
            value = status_script.front();
            status_script.pop_front();
        }
        events.push_back({port_op::read, reg, value});
        return value;
    }
    void bit_delay_end(std::chrono::nanoseconds) override { events.push_back({port_op::bit_delay}); }
    void write_cycle_end() override { events.push_back({port_op::write_cycle}); }
    std::uint64_t now_us() override { return events.size(); }
    bus_levels levels() override { return {}; }

    // Values written to one register, in order.
    std::vector<std::uint8_t> writes_to(std::uint16_t reg) const {
        std::vector<std::uint8_t> values;
        for (const auto& e : events)
            if (e.kind == port_op::write && e.reg == reg) values.push_back(e.value);
        return values;
    }
    std::size_t count(port_op kind) const {
        std::size_t n = 0;
        for (const auto& e : events) n += e.kind == kind;
        return n;
    }
    void clear() { events.clear(); }
};

// A part as the tool uses it by default, or another of the table.
inline chip_target target_of(const char* name = "24c01") {
    const chip_profile* p = find_chip(name);
    return {p, p->page_size};
}

// A recorder behind the device interface, with the default 24C01 on it.
struct recording_fixture_port {
    recording_port port;
    parallel_device device{port, target_of()};
    two_wire_bus& bus = device.bus();
};

}  // namespace eeprom24c01
