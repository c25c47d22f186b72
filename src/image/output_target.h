// SPDX-License-Identifier: GPL-3.0-or-later
// Where --read puts the image, as a shell redirection would: a regular file
// (or a new name) is replaced whole by a renamed temporary file, so it is
// never left partial; a file with several hard links is written in place
// after a good read; a device, FIFO or socket is written directly; symbolic
// links are followed, so the link stays and its destination gets the bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace eeprom24c01 {

struct output_target {
    enum class way { standard_output, replace, in_place, direct };
    way how = way::replace;
    std::string name;  // as given, for messages
    std::string path;  // what is written: name with its links followed
    bool existed = false;
};

// Looks at name before anything is read. Returns "" or the line refusing
// it (a folder, a file the user may not write, one another running tool holds
// locked); nothing has been changed then.
std::string output_target_open(const std::string& name, output_target& target);
// Writes the image. Returns "" or the line saying what failed, and that the
// target is left as it was where that is so.
std::string output_target_write(const output_target& target, std::span<const std::uint8_t> image);
// The line for an image that could not be made for the target, for error.
std::string output_target_failure(const output_target& target, int error);

}  // namespace eeprom24c01
