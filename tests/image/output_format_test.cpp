// SPDX-License-Identifier: GPL-3.0-or-later
// -r's formats: chosen by name or implied by the file name, and written by
// libsrecord so that srecord's own converter reads them back byte-exact.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/output_format.h"
#include "support/run_tool.h"
#include "support/srec_cat.h"

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

TEST(OutputFormat, SrecCatTurnsEveryLoadFormatBackIntoTheSameBytes) {
    const std::pair<output_format, const char*> formats[] = {
        {output_format::ihex, "-Intel"}, {output_format::srec, "-Motorola"}, {output_format::ti_txt, "-TI_Text"}};
    std::vector<std::uint8_t> contents(512);
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<std::uint8_t>(i * 13 + 5);
    tool_dir dir;
    for (const auto& [format, srec_cat_name] : formats) {
        SCOPED_TRACE(srec_cat_name);
        rendered_image rendered = render_image(contents, format);
        ASSERT_EQ(rendered.error, "");
        dir.put("chip.load", std::string(rendered.bytes.begin(), rendered.bytes.end()));
        ASSERT_TRUE(srec_cat(dir, std::string("chip.load ") + srec_cat_name + " -o back.bin -Binary"));
        EXPECT_EQ(dir.get("back.bin"), std::string(contents.begin(), contents.end()));
    }
}

TEST(OutputFormat, RawIsTheBytesAndHexdumpIsReadable) {
    const std::vector<std::uint8_t> contents = {0x41, 0x00, 0xFF};
    EXPECT_EQ(render_image(contents, output_format::raw).bytes, contents);
    rendered_image dump = render_image(contents, output_format::hexdump);
    EXPECT_TRUE(std::string(dump.bytes.begin(), dump.bytes.end()).starts_with("00000000: 41 00 FF"));
}

}  // namespace
