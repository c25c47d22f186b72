#include "app/device_texts.h"

#include <cstdlib>

#include "image/image.h"

const char* line_fault_text(device_result result) {
    return result == device_result::sda_not_driven
               ? "SDA does not follow the port: it reads high when driven low. Check that the board is on the cable "
                 "and the port is in standard (SPP) mode."
               : "SDA stays low when released: the board may have no power, or SDA is held to ground.";
}

void exit_interrupted(std::FILE* stream, const char* lead, action_phase phase, const device_outcome& outcome) {
    std::fputs(lead, stream);
    int n = outcome.bytes;
    switch (phase) {
        case action_phase::line_test:
            std::fputs("Interrupted during the line test, before any byte was sent.\n", stream);
            break;
        case action_phase::writing:
            std::fprintf(stream, "Interrupted after %d of %d bytes.\n", n, IMAGE_SIZE);
            break;
        case action_phase::reading_back:
            std::fprintf(stream, "Interrupted while reading back: all %d bytes were written, %d read back, none compared.\n",
                         IMAGE_SIZE, n);
            break;
        case action_phase::reading:
            std::fprintf(stream, "Interrupted while reading after %d of %d bytes.\n", n, IMAGE_SIZE);
            break;
        case action_phase::comparing:
            std::fprintf(stream, "Interrupted while reading after %d of %d bytes; none compared.\n", n, IMAGE_SIZE);
            break;
        case action_phase::checking:
            std::fputs("Interrupted while checking the board.\n", stream);
            break;
    }
    std::fflush(nullptr);
    std::exit(128 + outcome.signal);
}
