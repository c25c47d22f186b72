#include "image/image_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console_input.h"
#include "image/image.h"
#include "text/printable_name.h"

namespace {

// For a save: read and write, created 0600 when missing, never truncated,
// from offset 0, so a longer file keeps its tail.
int open_for_save(const std::string& name) {
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

}  // namespace

bool load_image_file(const std::string& name, std::uint8_t* buffer) {
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::uint8_t incoming[IMAGE_SIZE];
    ssize_t got;
    do got = read(fd, incoming, IMAGE_SIZE);
    while (got < 0 && errno == EINTR);
    close(fd);
    if (got < 0) return false;  // a folder, say: opened but not readable
    std::memcpy(buffer, incoming, static_cast<std::size_t>(got));
    return true;
}

void save_buffer_to_file() {
    std::string name = ask_file_name("Enter the name of file to save.\n");
    int fd = open_for_save(name);
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
    if (!load_image_file(name, image_buffer)) std::fputs("Open failed\n", stdout);
    print_dump(image_buffer, dump_index::decimal);
}

namespace {

std::string failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

}  // namespace

bool write_all(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

std::string read_exact_image(const std::string& name, std::uint8_t* image) {
    std::string shown = name == "-" ? "standard input" : printable_name(name);
    int fd = name == "-" ? 0 : open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure("Cannot read " + shown, errno);
    // One byte past the chip's size is enough to refuse a longer image, and
    // an endless one (/dev/zero, a pipe from yes) ends there too.
    std::uint8_t first[IMAGE_SIZE + 1];
    std::size_t size = 0;
    int error = 0;
    while (size < sizeof first) {
        ssize_t got = read(fd, first + size, sizeof first - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    struct stat info {};
    bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (fd != 0) close(fd);
    if (error != 0) return failure("Cannot read " + shown, error);
    if (size == IMAGE_SIZE) {
        std::memcpy(image, first, IMAGE_SIZE);
        return {};
    }
    std::string held = size < sizeof first ? std::to_string(size)
                       : regular           ? std::to_string(info.st_size)
                                           : "more than " + std::to_string(IMAGE_SIZE);
    return shown + " holds " + held + " bytes; an image is exactly 128 bytes";
}
