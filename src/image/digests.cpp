// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/digests.h"

#include <gcrypt.h>

#include <cstdio>

#include <srecord/crc32.h>

namespace eeprom24c01 {

std::uint32_t crc32_of(std::span<const std::uint8_t> bytes) {
    srecord::crc32 crc;  // seeded with all ones: the usual CRC-32
    crc.nextbuf(bytes.data(), bytes.size());
    // get() returns the complement in an unsigned long; the CRC is its low 32 bits.
    return static_cast<std::uint32_t>(crc.get() & 0xFFFFFFFFu);
}

std::string sha256_hex(std::span<const std::uint8_t> bytes) {
    // libgcrypt wants its version checked once before first use.
    static const bool ready = gcry_check_version(nullptr) != nullptr;
    (void)ready;
    unsigned char digest[32];
    gcry_md_hash_buffer(GCRY_MD_SHA256, digest, bytes.data(), bytes.size());
    std::string text;
    char pair[3];
    for (unsigned char b : digest) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

}  // namespace eeprom24c01
