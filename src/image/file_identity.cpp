// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/file_identity.h"

#include <sys/stat.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace eeprom24c01 {

namespace {

std::string regular_key(const struct stat& info) {
    return S_ISREG(info.st_mode) ? std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) : "";
}

}  // namespace

std::string file_identity(const std::string& name, bool input) {
    struct stat info {};
    if (name == "-") {
        // A shell redirection (>> chip.bin) hides a file behind "-".
        std::string key = fstat(input ? 0 : 1, &info) == 0 ? regular_key(info) : "";
        return !key.empty() ? key : input ? "standard input" : "standard output";
    }
    if (stat(name.c_str(), &info) == 0) return regular_key(info);
    if (errno != ENOENT) return "";
    std::size_t slash = name.rfind('/');
    std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    std::vector<char> real(PATH_MAX + 1);
    if (!realpath(folder.c_str(), real.data())) return "";
    return std::string(real.data()) + "/" + name.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool same_file(const std::string& a, const std::string& b) {
    std::string key = file_identity(a, false);
    return !key.empty() && key == file_identity(b, false);
}

}  // namespace eeprom24c01
