// SPDX-License-Identifier: GPL-3.0-or-later
// The CH341A's I2C stream commands: an OUT packet is 0xAA, then
// sub-commands, up to END or the packet's end. The device that speaks the
// stream and the emulator that answers it both take them from here.
#pragma once

#include <cstdint>

namespace eeprom24c01 {

inline constexpr std::uint8_t CH341_STREAM = 0xAA;
inline constexpr std::uint8_t CH341_STA = 0x74;  // start, or a repeated start
inline constexpr std::uint8_t CH341_STO = 0x75;
inline constexpr std::uint8_t CH341_END = 0x00;
inline constexpr std::uint8_t CH341_OUT = 0x80;  // | n: send the n bytes after it (0: one, its status owed)
inline constexpr std::uint8_t CH341_IN = 0xC0;   // | n: read n bytes, acknowledged (0: one, not acknowledged)
inline constexpr std::uint8_t CH341_SET = 0x60;  // | s: the clock, CH341_CLOCKS_HZ[s]
inline constexpr std::uint8_t CH341_US = 0x40;   // | d: wait d microseconds
inline constexpr std::uint8_t CH341_MS = 0x50;   // | d: wait d milliseconds
// Bit 7 of the status byte of an OUT with length 0: not acknowledged. What
// its other bits mean is not known.
inline constexpr std::uint8_t CH341_STATUS_NACK = 0x80;
inline constexpr std::uint32_t CH341_CLOCKS_HZ[4] = {20000, 100000, 400000, 750000};

}  // namespace eeprom24c01
