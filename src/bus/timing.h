// The two counted busy-waits that give the bus its timing.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t BIT_DELAY_COUNT = 100;
inline constexpr std::uint32_t WRITE_CYCLE_COUNT = 10000;

// Both waits count in this one variable; volatile keeps every step a real
// read and write of memory, so no optimiser can drop or shorten a loop.
extern volatile std::uint32_t delay_counter;

// Follows every port write of a bus sequence.
void bit_delay();
// Follows each byte written into the EEPROM.
void write_cycle_wait();
