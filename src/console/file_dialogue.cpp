// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/file_dialogue.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console_input.h"
#include "image/file_identity.h"
#include "image/image.h"
#include "image/image_files.h"
#include "util/write_all.h"

namespace eeprom24c01 {

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

bool save_buffer_to_file(std::span<const std::uint8_t> image, const std::string& keep_off) {
    std::string name;
    if (!ask_file_name("Enter the name of file to save.\n", name)) return false;
    if (!keep_off.empty() && same_file(name, keep_off)) {
        std::fputs("Open failed: that is the simulated chip's file; save the buffer under another name.\n", stdout);
        return true;
    }
    int fd = open_for_save(name);
    if (fd < 0) return true;
    int failure = write_all(fd, image.data(), image.size());
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

}  // namespace eeprom24c01
