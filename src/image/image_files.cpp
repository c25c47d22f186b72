// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace eeprom24c01 {

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

}  // namespace eeprom24c01
