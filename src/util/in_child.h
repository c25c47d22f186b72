// SPDX-License-Identifier: GPL-3.0-or-later
// Work done in a child process, for library code that ends the process with
// exit() on a failure instead of returning it (libsrecord's writers): the
// child's end is the verdict, and the tool goes on either way.
#pragma once

#include <functional>

namespace eeprom24c01 {

// Runs work in a child process, its standard error silenced, and waits for
// it. 0 when work returned; EIO when the child ended otherwise (exit, a
// signal); or the errno of fork or waitpid. The child shares the caller's
// open files; what it changes in memory stays in the child.
int run_in_child(const std::function<void()>& work);

}  // namespace eeprom24c01
