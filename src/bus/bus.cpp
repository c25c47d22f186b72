#include "bus/bus.h"

#include "bus/port.h"
#include "bus/timing.h"

std::uint8_t ack_sample = 0;

// Every line change is followed by one bit delay.
static void set_sda(std::uint8_t data_register) {
    port_write(LPT_DATA, data_register);
    bit_delay();
}

static void set_scl(std::uint8_t control_register) {
    port_write(LPT_CONTROL, control_register);
    bit_delay();
}

static bool sda_is_high(unsigned status) { return (status & SDA_IN_BIT) != 0; }

// Any state -> SDA low, SCL low. SDA falls while SCL is high.
void bus_start() {
    set_sda(SDA_HIGH);
    set_scl(SCL_HIGH);
    set_sda(SDA_LOW);
    set_scl(SCL_LOW);
}

// SDA released, SCL low -> SDA low, SCL low, through a repeated start.
void bus_restart() {
    set_scl(SCL_HIGH);
    bus_start();
}

// SCL low -> SCL low; bit 7 of value is held on SDA over one clock pulse.
void send_bit(std::uint8_t value) {
    set_sda(value);
    set_scl(SCL_HIGH);
    set_scl(SCL_LOW);
}

// MSB first, the data register carrying the byte shifted so that bit 7 is
// the bit on the bus.
void send_byte(std::uint8_t byte) {
    for (unsigned k = 0; k < 8; ++k) send_bit(static_cast<std::uint8_t>(byte << k));
}

// MSB first, the data register carrying exactly 0x80 or 0x00.
void send_fixed_byte(std::uint8_t byte) {
    for (unsigned k = 0; k < 8; ++k) send_bit((byte & (0x80u >> k)) ? SDA_HIGH : SDA_LOW);
}

// SCL low -> SDA released, SCL low; the device's acknowledge is not read.
void ack_clock() { send_bit(SDA_HIGH); }

// Any state -> SDA released, SCL low. A retry starts again with SCL still
// high, so its start condition is a repeated start with no stop before it.
bool poll_ack() {
    for (unsigned attempt = 0; attempt < POLL_ACK_ATTEMPTS; ++attempt) {
        bus_start();
        send_fixed_byte(DEVICE_WRITE);
        set_sda(SDA_HIGH);
        set_scl(SCL_HIGH);
        ack_sample = static_cast<std::uint8_t>(port_read(LPT_STATUS) & SDA_IN_BIT);
        if (ack_sample == 0) {
            set_scl(SCL_LOW);
            return true;
        }
    }
    set_scl(SCL_LOW);
    return false;
}

// SCL low, SDA released -> SCL high after the eighth bit. The device moves
// SDA while SCL is low; each bit is sampled while SCL is high.
std::uint8_t receive_byte() {
    std::uint8_t result = 0;
    for (unsigned k = 0; k < 8; ++k) {
        set_scl(SCL_LOW);
        set_scl(SCL_HIGH);
        unsigned status = port_read(LPT_STATUS);
        bit_delay();
        if (sda_is_high(status)) result |= static_cast<std::uint8_t>(0x80u >> k);
    }
    return result;
}

// SCL high after receive_byte -> SDA released, SCL low. The master's ninth
// bit: low (acknowledge, send more) or released (no acknowledge, last byte).
static void master_answer(std::uint8_t sda_level) {
    set_scl(SCL_LOW);
    set_sda(sda_level);
    set_scl(SCL_LOW);
    set_scl(SCL_HIGH);
    set_scl(SCL_LOW);
    set_sda(SDA_HIGH);
}

void master_ack() { master_answer(SDA_LOW); }

void master_nack() { master_answer(SDA_HIGH); }

// SCL low -> SDA low, SCL low. SDA rises while SCL is high.
void bus_stop() {
    set_sda(SDA_LOW);
    set_scl(SCL_HIGH);
    set_sda(SDA_HIGH);
    set_scl(SCL_LOW);
    set_sda(SDA_LOW);
}

// Any state -> both lines high.
void bus_idle() {
    set_sda(SDA_HIGH);
    set_scl(SCL_HIGH);
}

bool sense_sda(std::uint8_t data_register) {
    set_scl(SCL_LOW);
    set_sda(data_register);
    unsigned status = port_read(LPT_STATUS);
    bit_delay();
    return sda_is_high(status);
}

// A chip sending a byte moves to its next bit after each fall of SCL and lets
// SDA go at a 1 bit or at the ninth clock, where the master's silence ends
// the read. Nine clocks therefore free the bus from any point of a byte.
int bus_clear() {
    for (int clocks = 0;; ++clocks) {
        if (sense_sda(SDA_HIGH)) return clocks;
        if (clocks == 9) return -1;
        set_scl(SCL_HIGH);
    }
}
