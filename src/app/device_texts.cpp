#include "app/device_texts.h"

#include <cstdlib>

void exit_interrupted(std::FILE* stream, const char* lead, const device_outcome& outcome, std::size_t size) {
    std::fprintf(stream, "%sInterrupted after %d of %zu bytes.\n", lead, outcome.bytes, size);
    std::fflush(nullptr);
    std::exit(128 + outcome.signal);
}
