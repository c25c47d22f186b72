// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/in_child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace eeprom24c01 {

int run_in_child(const std::function<void()>& work) {
    std::fflush(nullptr);  // what is buffered would be written by both
    const pid_t child = fork();
    if (child < 0) return errno;
    if (child == 0) {
        // An exit() in work ends here, before the handlers the tool
        // registered run (the last registered runs first): nothing of the
        // tool's is flushed or closed twice. The library's own line about it
        // would be a second one; the caller says what failed.
        std::atexit([] { _exit(EXIT_FAILURE); });
        const int silent = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (silent < 0 || dup2(silent, 2) < 0) _exit(EXIT_FAILURE);
        work();
        _exit(EXIT_SUCCESS);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return errno;
    return WIFEXITED(status) && WEXITSTATUS(status) == EXIT_SUCCESS ? 0 : EIO;
}

}  // namespace eeprom24c01
