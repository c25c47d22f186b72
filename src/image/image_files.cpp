#include "image/image_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/console_input.h"
#include "eeprom/eeprom.h"
#include "image/image.h"

namespace {

// Read and write, created 0600 when missing, never truncated, from offset 0.
// Asking for write access means a read-only file cannot be loaded either.
int open_image(const std::string& name) {
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) std::fputs("Open failed\n", stdout);
    return fd;
}

std::string ask_file_name(const char* prompt) {
    std::fputs(prompt, stdout);
    std::string name;
    if (read_word(name) == input_result::end) end_of_input();
    return name;
}

// Up to 128 bytes into the image; slots past a short file keep their values.
void load_image(const std::string& name) {
    int fd = open_image(name);
    if (fd < 0) return;
    std::uint8_t incoming[IMAGE_SIZE];
    ssize_t got;
    do got = read(fd, incoming, IMAGE_SIZE);
    while (got < 0 && errno == EINTR);
    if (got > 0) std::memcpy(image_buffer, incoming, static_cast<std::size_t>(got));
    close(fd);
}

}  // namespace

void save_buffer_to_file() {
    std::string name = ask_file_name("Enter the name of file to save.\n");
    int fd = open_image(name);
    if (fd < 0) return;
    ssize_t put;
    do put = write(fd, image_buffer, IMAGE_SIZE);
    while (put < 0 && errno == EINTR);
    int failure = put < 0 ? errno : put != IMAGE_SIZE ? ENOSPC : 0;
    if (close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) std::printf("Write failed: %s\n", std::strerror(failure));
}

void read_custom_file() {
    std::string name = ask_file_name("Enter the name of file to read.\n");
    load_image(name);
    print_dump(image_buffer, dump_index::decimal);
}

void program_default_values() {
    load_image(DEFAULT_IMAGE_FILE);
    print_dump(image_buffer, dump_index::decimal);
    write_eeprom();
}
