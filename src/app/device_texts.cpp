#include "app/device_texts.h"

#include <cstdlib>

#include "image/image.h"

void exit_interrupted(std::FILE* stream, const char* lead, const device_outcome& outcome) {
    std::fprintf(stream, "%sInterrupted after %d of %d bytes.\n", lead, outcome.bytes, IMAGE_SIZE);
    std::fflush(nullptr);
    std::exit(128 + outcome.signal);
}
