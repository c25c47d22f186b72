#include "sim/chip_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sim/chip24c01.h"

std::string chip_file_load(const std::string& path, std::uint8_t* contents) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return "Cannot open chip file " + path + ": " + std::strerror(errno) + ".\n";
        std::memset(contents, 0xFF, CHIP_SIZE);
        std::string problem = chip_file_save(path, contents);
        return problem.empty() ? problem : "Cannot create chip file " + path + ": " + problem + ".\n";
    }
    struct stat info {};
    std::string problem;
    if (fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode) || info.st_size != CHIP_SIZE) {
        close(fd);
        return "Chip file " + path + " is not a 128-byte chip image (" +
               (S_ISREG(info.st_mode) ? std::to_string(info.st_size) + " bytes" : std::string("not a regular file")) +
               "); it is left as it is: name another file.\n";
    } else {
        ssize_t got = read(fd, contents, CHIP_SIZE);
        if (got != CHIP_SIZE) problem = got < 0 ? std::strerror(errno) : "short read";
    }
    close(fd);
    return problem.empty() ? problem : "Cannot read chip file " + path + ": " + problem + ".\n";
}

std::string chip_file_save(const std::string& path, const std::uint8_t* contents) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) return std::strerror(errno);
    std::string problem;
    ssize_t put = write(fd, contents, CHIP_SIZE);
    if (put != CHIP_SIZE) problem = put < 0 ? std::strerror(errno) : "short write";
    else if (fchmod(fd, 0644) != 0 || fsync(fd) != 0) problem = std::strerror(errno);
    if (close(fd) != 0 && problem.empty()) problem = std::strerror(errno);
    if (problem.empty() && rename(temp.data(), path.c_str()) != 0) problem = std::strerror(errno);
    if (!problem.empty()) unlink(temp.data());
    return problem;
}
