// SPDX-License-Identifier: GPL-3.0-or-later
// The tool with standard error on a terminal, as at a console.
#include <gtest/gtest.h>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// A write of the board's chip ends within a second: no progress line, and
// the outcome arrives as the same bytes as on a pipe.
TEST(Terminal, ShortWriteShowsOnlyItsOutcome) {
    tool_dir dir;
    dir.put("image.bin", counting_image(3));
    dir.stderr_on_terminal = true;
    tool_run r = dir.run({"--sim", "chip.bin", "-w", "image.bin"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Created a blank simulated chip in chip.bin.\nWrote 128 bytes and verified them.\n" +
                         crc_line(counting_image(3)));
    EXPECT_EQ(dir.get("chip.bin"), counting_image(3));
}

}  // namespace
