// SPDX-License-Identifier: GPL-3.0-or-later
// What the preloaded fakes of device drivers share: the C library's own
// definition of a call they stand in front of, their settings from the
// environment, failures with errno, a log, the simulated chip's file, and
// the open and open64 that give a fake the paths it stands for
// (preload_open.cpp).
#pragma once

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/chip24cxx.h"

namespace preload {

using namespace eeprom24c01;

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

inline const char* env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

inline int fail(int error) {
    errno = error;
    return -1;
}

// Appends line to the file that the environment variable names, if any.
inline void log_to(const char* variable, const std::string& line) {
    if (!*env(variable)) return;
    if (std::FILE* f = std::fopen(env(variable), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

// The chip of config holding the file that the variable names: blank (all
// 0xFF) unless the file holds the whole chip.
inline void load_chip(const char* variable, sim_chip& chip, const sim_chip_config& config) {
    std::vector<std::uint8_t> contents(config.size(), 0xFF);
    if (std::FILE* f = std::fopen(env(variable), "rb")) {
        if (std::fread(contents.data(), 1, contents.size(), f) != contents.size()) contents.assign(contents.size(), 0xFF);
        std::fclose(f);
    }
    chip_reset(chip, config, contents);
}

inline void save_chip(const char* variable, const sim_chip& chip) {
    if (!*env(variable)) return;
    if (std::FILE* f = std::fopen(env(variable), "wb")) {
        std::fwrite(chip.memory.data(), 1, chip.memory.size(), f);
        std::fclose(f);
    }
}

}  // namespace preload

// Each fake defines these two: whether it stands for path, and its open of
// such a path (a descriptor, or -1 with errno).
bool fake_stands_for(const char* path);
int fake_open(const char* path, int flags);
