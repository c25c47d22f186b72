// SPDX-License-Identifier: GPL-3.0-or-later
// A whole buffer out to a descriptor, whatever the descriptor is: a pipe or a
// terminal may take part of it, and a signal noted during a device action
// (no SA_RESTART) makes a blocked write return EINTR with nothing written.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes all of size bytes to fd, going on after short writes and signals.
// False on an error, with errno saying which.
bool write_all(int fd, const std::uint8_t* bytes, std::size_t size);
