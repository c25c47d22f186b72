// SPDX-License-Identifier: GPL-3.0-or-later
// New bytes in place of a regular file's old ones, for a file that must stay
// the same file (another hard link names it, a lock is held on it). Room for
// them is reserved first, so that a full disk or a file size limit refuses
// before an old byte is overwritten, not part way through.
#pragma once

#include <cstddef>
#include <cstdint>

namespace eeprom24c01 {

// Writes size bytes over the regular file fd from its start, cuts it to them
// and flushes it to disk. 0, or the errno of what failed; kept then says
// whether the file still holds its old bytes.
int overwrite_file(int fd, const std::uint8_t* bytes, std::size_t size, bool& kept);

}  // namespace eeprom24c01
