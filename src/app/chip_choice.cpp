// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/chip_choice.h"

#include "util/number.h"

namespace eeprom24c01 {

namespace {

std::string choose_page(const std::string& text, chip_target& target) {
    const std::uint32_t size = target.size();
    const unsigned largest = largest_page_of_size(size);
    unsigned page = 0;
    if (parse_number(text, page) != number_reading::number || page == 0 || (page & (page - 1)) != 0 || page > largest)
        return "bad --page-size '" + text + "': the " + std::to_string(size) + "-byte parts have pages of 1 to " +
               std::to_string(largest) + " bytes, a power of two (1 is always safe)";
    target.page_size = static_cast<std::uint16_t>(page);
    return {};
}

std::string choose_address(const std::string& text, chip_target& target) {
    const chip_profile& p = *target.profile;
    if (p.style == addressing::word_in_first_byte)
        return "the " + std::string(p.name) + " has no chip-select pins: leave out --address";
    unsigned address = 0;
    if (parse_number(text, address) != number_reading::number || address < BASE_BUS_ADDRESS || address > BASE_BUS_ADDRESS + 7)
        return "bad --address '" + text + "': give 0x50 to 0x57";
    unsigned block_mask = (1u << p.block_bits) - 1;
    if ((address & block_mask) != 0)
        return "bad --address '" + text + "': the " + std::string(p.name) + " uses A" +
               (p.block_bits > 1 ? "0 to A" + std::to_string(p.block_bits - 1) : std::string("0")) +
               " as address bits, so those bits must be 0";
    target.bus_address = static_cast<std::uint8_t>(address);
    return {};
}

}  // namespace

std::string choose_chip(const chip_request& request, chip_target& target) {
    const chip_profile* profile = find_chip(request.name);
    if (!profile) return "unknown chip '" + request.name + "': --chip list shows the known ones";
    target = {profile, profile->page_size, BASE_BUS_ADDRESS};
    std::string problem;
    if (!request.page_size.empty()) problem = choose_page(request.page_size, target);
    if (problem.empty() && !request.address.empty()) problem = choose_address(request.address, target);
    return problem;
}

std::string frequency_text(std::uint32_t hz) {
    char text[32];
    if (hz >= 1000000 && hz % 1000000 == 0) std::snprintf(text, sizeof text, "%u MHz", static_cast<unsigned>(hz / 1000000));
    else if (hz >= 1000 && hz % 1000 == 0) std::snprintf(text, sizeof text, "%u kHz", static_cast<unsigned>(hz / 1000));
    else if (hz >= 1000) std::snprintf(text, sizeof text, "%.1f kHz", hz / 1000.0);
    else std::snprintf(text, sizeof text, "%u Hz", static_cast<unsigned>(hz));
    return text;
}

std::string choose_clock(std::uint32_t hz, const chip_profile& part) {
    if (hz == 0) return {};
    if (hz < MIN_CLOCK_HZ)
        return "--clock " + frequency_text(hz) + " is too slow to be of use: give " + frequency_text(MIN_CLOCK_HZ) +
               " or more";
    const std::uint32_t most = part.max_clock_khz * 1000u;
    if (hz > most)
        return "--clock " + frequency_text(hz) + " is more than the " + std::string(part.name) + " is rated for: at most " +
               frequency_text(most) + (part.generic() ? " (an exact part name may allow more: --chip list)" : "");
    return {};
}

void print_chip_list(std::FILE* out) {
    std::fputs("chip       maker        size  page  address bytes  block bits  tWR ms  max clock\n", out);
    for (const chip_profile& p : chip_profiles())
        std::fprintf(out, "%-10s %-10s %6u %5u %14u %11u %7u %10s\n", std::string(p.name).c_str(),
                     p.generic() ? "-" : std::string(p.maker).c_str(), static_cast<unsigned>(p.size),
                     static_cast<unsigned>(p.page_size), static_cast<unsigned>(p.address_bytes),
                     static_cast<unsigned>(p.block_bits), static_cast<unsigned>(p.write_cycle_ms),
                     frequency_text(p.max_clock_khz * 1000u).c_str());
}

}  // namespace eeprom24c01
