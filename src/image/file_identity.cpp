#include "image/file_identity.h"

#include <sys/stat.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <vector>

std::string file_identity(const std::string& name, bool input) {
    if (name == "-") return input ? "standard input" : "standard output";
    struct stat info {};
    if (stat(name.c_str(), &info) == 0)
        return S_ISREG(info.st_mode) ? std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) : "";
    if (errno != ENOENT) return "";
    std::size_t slash = name.rfind('/');
    std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    std::vector<char> real(PATH_MAX + 1);
    if (!realpath(folder.c_str(), real.data())) return "";
    return std::string(real.data()) + "/" + name.substr(slash == std::string::npos ? 0 : slash + 1);
}
