#include "image/image_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_input.h"
#include "image/image.h"

namespace {

// For a save: read and write, created 0600 when missing, never truncated,
// from offset 0, so a longer file keeps its tail.
int open_for_save(const std::string& name) {
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) std::fputs("Open failed\n", stdout);
    return fd;
}

// False when standard input has ended.
bool ask_file_name(const char* prompt, std::string& name) {
    std::fputs(prompt, stdout);
    return read_word(name) != input_result::end;
}

}  // namespace

bool load_image_file(const std::string& name, std::span<std::uint8_t> buffer) {
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<std::uint8_t> incoming(buffer.size());
    ssize_t got;
    do got = read(fd, incoming.data(), incoming.size());
    while (got < 0 && errno == EINTR);
    close(fd);
    if (got < 0) return false;  // a folder, say: opened but not readable
    std::memcpy(buffer.data(), incoming.data(), static_cast<std::size_t>(got));
    return true;
}

bool save_buffer_to_file(std::span<const std::uint8_t> image) {
    std::string name;
    if (!ask_file_name("Enter the name of file to save.\n", name)) return false;
    int fd = open_for_save(name);
    if (fd < 0) return true;
    ssize_t put;
    do put = write(fd, image.data(), image.size());
    while (put < 0 && errno == EINTR);
    int failure = put < 0 ? errno : static_cast<std::size_t>(put) != image.size() ? ENOSPC : 0;
    if (close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) std::printf("Write failed: %s\n", std::strerror(failure));
    return true;
}

bool read_custom_file(std::span<std::uint8_t> image) {
    std::string name;
    if (!ask_file_name("Enter the name of file to read.\n", name)) return false;
    if (!load_image_file(name, image)) std::fputs("Open failed\n", stdout);
    print_dump(image, dump_index::decimal);
    return true;
}

namespace {

std::string failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// Writes all of size bytes, going on after short writes and signals.
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

}  // namespace

std::string read_exact_image(const std::string& name, std::span<std::uint8_t> image) {
    std::string shown = name == "-" ? "standard input" : name;
    int fd = name == "-" ? 0 : open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure("Cannot read " + shown, errno);
    std::uint8_t chunk[4096];
    std::vector<std::uint8_t> first(image.size());
    long long size = 0;
    const auto wanted = static_cast<long long>(image.size());
    int error = 0;
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got && size + i < wanted; ++i) first[static_cast<std::size_t>(size + i)] = chunk[i];
        size += got;
    }
    if (fd != 0) close(fd);
    if (error != 0) return failure("Cannot read " + shown, error);
    if (size != wanted)
        return shown + " holds " + std::to_string(size) + " bytes; an image is exactly " + std::to_string(wanted) +
               " bytes";
    std::memcpy(image.data(), first.data(), image.size());
    return {};
}

std::string replace_image_file(const std::string& name, std::span<const std::uint8_t> image) {
    if (name == "-") {
        if (!write_all(1, image.data(), image.size())) return failure("Cannot write standard output", errno);
        return {};
    }
    // A new file gets the usual mode; a replaced one keeps its own.
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = 0666 & ~mask;
    struct stat info {};
    if (stat(name.c_str(), &info) == 0) mode = info.st_mode & 07777;
    std::string pattern = name + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) return failure("Cannot write " + name, errno);
    int error = 0;
    if (!write_all(fd, image.data(), image.size()) || fchmod(fd, mode) != 0 || fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.data(), name.c_str()) != 0) error = errno;
    if (error != 0) unlink(temp.data());
    return error != 0 ? failure("Cannot write " + name, error) : std::string();
}
