// SPDX-License-Identifier: GPL-3.0-or-later
// -r's formats: chosen by name or implied by the file name. That srec_cat
// reads them back byte-exact is shown through the tool (load_file_e2e_test).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/output_format.h"
#include "util/in_child.h"

using namespace eeprom24c01;
namespace {

TEST(OutputFormat, NamesAndImpliedFormats) {
    EXPECT_EQ(parse_output_format("ti-txt"), output_format::ti_txt);
    EXPECT_EQ(parse_output_format("raw"), output_format::raw);
    EXPECT_EQ(parse_output_format("hex"), std::nullopt);
    const std::pair<const char*, output_format> implied[] = {
        {"a.hex", output_format::ihex}, {"a.IHEX", output_format::ihex}, {"dir.s19/a.s19", output_format::srec},
        {"a.s28", output_format::srec}, {"a.srec", output_format::srec}, {"a.bin", output_format::raw},
        {"hex", output_format::raw},    {"-", output_format::raw},
    };
    for (const auto& [name, format] : implied) EXPECT_EQ(implied_output_format(name), format) << name;
}

TEST(OutputFormat, RawIsTheBytesAndHexdumpIsReadable) {
    const std::vector<std::uint8_t> contents = {0x41, 0x00, 0xFF};
    EXPECT_EQ(render_image(contents, output_format::raw).bytes, contents);
    rendered_image dump = render_image(contents, output_format::hexdump);
    EXPECT_TRUE(std::string(dump.bytes.begin(), dump.bytes.end()).starts_with("00000000: 41 00 FF"));
}

// libsrecord's writers end the process on a failure with exit(): in a child
// any exit, even exit(0), is a failure returned, and the tool goes on.
TEST(OutputFormat, AnExitInTheChildIsAFailureReturned) {
    EXPECT_NE(run_in_child([] { std::exit(0); }), 0);
    EXPECT_EQ(run_in_child([] {}), 0);
}

}  // namespace
