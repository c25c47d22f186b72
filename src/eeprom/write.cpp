// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <vector>

#include "eeprom/eeprom.h"
#include "util/interruption.h"

namespace eeprom24c01 {

namespace {

// The bytes of [from, to) that must be sent: all, or from the first to the
// last that differs from held. Empty when held already has them.
std::span<const std::uint8_t> to_send(std::span<const std::uint8_t> image, std::span<const std::uint8_t> held,
                                      std::size_t from, std::size_t to) {
    if (held.empty()) return image.subspan(from, to - from);
    while (from < to && image[from] == held[from]) ++from;
    while (to > from && image[to - 1] == held[to - 1]) --to;
    return image.subspan(from, to - from);
}

// The run of each page that is to be sent, in order.
std::vector<std::span<const std::uint8_t>> runs_to_send(std::span<const std::uint8_t> image,
                                                        std::span<const std::uint8_t> held, std::size_t page) {
    std::vector<std::span<const std::uint8_t>> runs;
    for (std::size_t start = 0; start < image.size(); start += page) {
        std::span<const std::uint8_t> run = to_send(image, held, start, std::min(start + page, image.size()));
        if (!run.empty()) runs.push_back(run);
    }
    return runs;
}

}  // namespace

device_outcome writes_allowed(const eeprom_device& device) {
    device_outcome outcome;
    outcome.port_message = device.write_refusal();
    if (!outcome.port_message.empty()) outcome.result = device_result::port_refused;
    return outcome;
}

device_outcome write_image(eeprom_device& device, std::span<const std::uint8_t> image,
                           std::span<const std::uint8_t> held, const byte_watch& watch) {
    const auto runs = runs_to_send(image, held, device.target().page_size);
    std::size_t total = 0;
    for (auto run : runs) total += run.size();
    device_outcome outcome;
    int written = 0;
    for (auto run : runs) {
        auto offset = static_cast<std::uint32_t>(run.data() - image.data());
        device_outcome step = device.write(offset, run);
        if (step.result != device_result::done) {
            step.bytes = written;
            return step;
        }
        written += step.bytes;
        if (watch) watch(static_cast<std::size_t>(written), total);
        // A signal ends the write between transactions, never inside one.
        if (interruption_signal() != 0) {
            outcome.result = device_result::interrupted;
            break;
        }
    }
    device_outcome last = written > 0 ? device.finish_writes() : device.idle();
    if (last.result != device_result::done) outcome = last;
    outcome.bytes = written;
    return outcome;
}

}  // namespace eeprom24c01
