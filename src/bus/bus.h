// Two-wire bus conditions built from port writes, status reads and delays.
// Each primitive is an exact, fixed run of register accesses; see bus.cpp for
// the line state each one expects on entry and leaves behind.
#pragma once

#include <cstdint>

// 24C01 control bytes: device type 1010, chip select 000, then R/W.
inline constexpr std::uint8_t DEVICE_WRITE = 0xA0;
inline constexpr std::uint8_t DEVICE_READ = 0xA1;

// Register images for a fixed line level.
inline constexpr std::uint8_t SDA_HIGH = 0x80;
inline constexpr std::uint8_t SDA_LOW = 0x00;
inline constexpr std::uint8_t SCL_HIGH = 0x04;
inline constexpr std::uint8_t SCL_LOW = 0x00;

// Attempts poll_ack makes before it gives up on a silent device: 1000 tries
// of 30 bit delays is 150 ms at 5 us a delay, far beyond any write cycle.
inline constexpr unsigned POLL_ACK_ATTEMPTS = 1000;

// Status bit 6 as last sampled by poll_ack; 0 means acknowledged.
extern std::uint8_t ack_sample;

void bus_start();
void bus_restart();
void send_bit(std::uint8_t value);
void send_byte(std::uint8_t byte);
void send_fixed_byte(std::uint8_t byte);
void ack_clock();
// Start + DEVICE_WRITE until the device acknowledges. Returns false when it
// has not within POLL_ACK_ATTEMPTS; the lines are then as after success.
bool poll_ack();
std::uint8_t receive_byte();
void master_ack();
void master_nack();
void bus_stop();
void bus_idle();

// Board checks, outside the chip's protocol.
// Any state -> SCL low, SDA at the level given; returns whether the status
// register then shows SDA high.
bool sense_sda(std::uint8_t data_register);
// SCL low, SDA released, a chip left mid-byte holding SDA low -> up to nine
// clocks until it lets go. Returns the clocks given, or -1 if SDA stayed low.
int bus_clear();
