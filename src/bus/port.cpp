#include "bus/port.h"

#include "bus/trace.h"

static port_backend* backend = nullptr;

void port_use(port_backend* chosen) { backend = chosen; }

port_backend* port_current() { return backend; }

void port_write(std::uint16_t port, std::uint8_t value) {
    backend->write(port, value);
    if (trace_active()) trace_sample(backend->now_us(), backend->levels());
}

unsigned port_read(std::uint16_t port) { return backend->read(port); }

std::string port_begin_action() { return backend->claim(); }

std::string port_end_action() {
    backend->action_end();
    trace_flush();
    return backend->action_problem();
}

void port_abandon() {
    backend->abandon();
    trace_flush();
}
