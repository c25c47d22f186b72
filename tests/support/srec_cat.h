// SPDX-License-Identifier: GPL-3.0-or-later
// srecord's own converter, run in a test folder: load files made, and made
// back into raw bytes, by a tool other than the one under test.
#pragma once

#include <cstdlib>
#include <string>

#include "support/run_tool.h"

// Runs "srec_cat ARGS" in dir; true when it succeeded.
inline bool srec_cat(const tool_dir& dir, const std::string& args) {
    std::string command = "cd '" + dir.path() + "' && srec_cat " + args + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
}
