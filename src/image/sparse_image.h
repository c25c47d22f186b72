// SPDX-License-Identifier: GPL-3.0-or-later
// An image for a chip as a load file gives it: a byte for every address, and
// which addresses the file sets. A raw image sets them all; a HEX file may
// set a few, and the chip keeps its own bytes elsewhere.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace eeprom24c01 {

struct sparse_image {
    std::vector<std::uint8_t> bytes;  // one per chip address; 0xFF where not covered
    std::vector<bool> covered;        // one per chip address

    explicit sparse_image(std::uint32_t chip_size = 0) : bytes(chip_size, 0xFF), covered(chip_size, false) {}

    std::uint32_t size() const { return static_cast<std::uint32_t>(bytes.size()); }
    std::size_t covered_count() const { return static_cast<std::size_t>(std::ranges::count(covered, true)); }
    void set(std::uint32_t address, std::uint8_t value) {
        bytes[address] = value;
        covered[address] = true;
    }
    // The whole chip's bytes once this image is written over what it holds:
    // covered addresses from the image, the rest as held.
    std::vector<std::uint8_t> over(std::span<const std::uint8_t> held) const {
        std::vector<std::uint8_t> result(held.begin(), held.end());
        for (std::uint32_t a = 0; a < size(); ++a)
            if (covered[a]) result[a] = bytes[a];
        return result;
    }
};

}  // namespace eeprom24c01
