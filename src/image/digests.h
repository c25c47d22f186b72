// SPDX-License-Identifier: GPL-3.0-or-later
// Digests of images and files: the CRC-32 a release note quotes for a chip's
// contents, and the SHA-256 a production log records for an image file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace eeprom24c01 {

// The usual CRC-32 (as zlib and cksum -a crc32b compute it): 0xcbf43926 for "123456789".
std::uint32_t crc32_of(std::span<const std::uint8_t> bytes);
// 64 lowercase hexadecimal digits.
std::string sha256_hex(std::span<const std::uint8_t> bytes);

}  // namespace eeprom24c01
