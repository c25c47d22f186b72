// SPDX-License-Identifier: GPL-3.0-or-later
// Whole buffers to and from a descriptor, whatever the descriptor is: a pipe
// or a terminal may take part of a write, and a signal noted during a device
// action (no SA_RESTART) makes a blocked call return EINTR with nothing
// done. One loop serves every such transfer.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace eeprom24c01 {

// Like the system calls they are made of, these give 0 or the errno of the
// call that failed.
//
// Writes all of size bytes to fd at its position, going on after short
// writes and signals (EIO for a write that took nothing).
int write_all(int fd, const std::uint8_t* bytes, std::size_t size);
// The same for an output a reader may stop reading (standard output, a
// FIFO, a trace): a write blocked there gives up with EINTR once a signal
// is noted (util/interruption.h), keeping what went out before.
int write_all_unless_signalled(int fd, const std::uint8_t* bytes, std::size_t size);
// The same at offset (pwrite): the descriptor's position stays.
int write_all_at(int fd, std::span<const std::uint8_t> bytes, off_t offset);
// Reads bytes.size() bytes at offset (pread); ENODATA when the file ends first.
int read_all_at(int fd, std::span<std::uint8_t> bytes, off_t offset);

}  // namespace eeprom24c01
