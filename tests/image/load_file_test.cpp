// SPDX-License-Identifier: GPL-3.0-or-later
// Load files and raw images become sparse images of the chip; bad ones are
// refused with one line naming the file and, in a load file, the line.
#include <gtest/gtest.h>

#include <string>

#include "image/file_format.h"
#include "image/load_file.h"
#include "support/run_tool.h"
#include "support/srec_cat.h"

using namespace eeprom24c01;
namespace {

std::string counting_image(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(i * 7 + 3);
    return bytes;
}

std::string as_string(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(LoadFile, FilesMadeBySrecCatLoadByteExact) {
    const char* formats[] = {"-Intel", "-Motorola", "-TI_Text", "-Tektronix_Extended"};
    tool_dir dir;
    dir.put("image.bin", counting_image(256));
    for (const char* format : formats) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(srec_cat(dir, std::string("image.bin -Binary -o image.load ") + format));
        loaded_file loaded =  // TI-TXT has no checksums: it is read only when named
            load_file(dir.file("image.load"), 256, std::string(format) == "-TI_Text" ? find_file_format("ti-txt") : nullptr);
        ASSERT_EQ(loaded.error, "");
        EXPECT_EQ(as_string(loaded.image.bytes), counting_image(256));
        EXPECT_EQ(loaded.image.covered_count(), 256u);
        EXPECT_EQ(as_string(loaded.source), dir.get("image.load"));
    }
}

// Bytes as hexadecimal text, "00 01 02 ...", a line of 16.
std::string hex_text(std::size_t count, const char* gap) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(i & 0xFF));
        text += digits + std::string(i % 16 == 15 ? "\n" : gap);
    }
    return text;
}

TEST(LoadFile, RawImagesOfTheChipSizeLoadWhateverTheyBeginWith) {
    const std::string images[] = {
        counting_image(128),
        std::string(128, '\0'),                           // a binary load format would take this
        "SN0012345 board C" + std::string(111, ' '),      // text, but no records
        "00 11 22 33\n" + std::string(116, '\x80'),       // begins like a Needham record
        hex_text(64, "").substr(0, 128),                   // Needham reads hex digits
        hex_text(43, " ").substr(0, 128),                  // and hexdump-like lines
        ":0400100001020304E3\n" + std::string(108, 'x'),   // a HEX record whose checksum fails
    };
    tool_dir dir;
    for (const std::string& image : images) {
        dir.put("chip.bin", image);
        loaded_file loaded = load_file(dir.file("chip.bin"), 128);
        ASSERT_EQ(loaded.error, "");
        EXPECT_EQ(loaded.format, "raw");
        EXPECT_EQ(as_string(loaded.image.bytes), image);
        EXPECT_EQ(loaded.image.covered_count(), 128u);
    }
}

TEST(LoadFile, APartialFileCoversOnlyItsBytes) {
    tool_dir dir;
    dir.put("patch.hex", ":04001000DEADBEEFB4\n:00000001FF\n");
    loaded_file loaded = load_file(dir.file("patch.hex"), 128);
    ASSERT_EQ(loaded.error, "");
    EXPECT_EQ(loaded.image.covered_count(), 4u);
    EXPECT_TRUE(loaded.image.covered[0x10] && loaded.image.covered[0x13]);
    EXPECT_FALSE(loaded.image.covered[0x0F] || loaded.image.covered[0x14]);
    EXPECT_EQ(loaded.image.bytes[0x11], 0xAD);
    std::vector<std::uint8_t> held(128, 0x5A);
    std::vector<std::uint8_t> written = loaded.image.over(held);
    EXPECT_EQ(std::ranges::count(written, 0x5A), 124);
    EXPECT_EQ(written[0x13], 0xEF);
}

TEST(LoadFile, BadFilesAreRefusedInOneLine) {
    struct bad_case {
        const char* name;
        std::string content;
        const char* error;
    };
    const std::string good = ":020000000102FB\n";
    const std::string ext = ":020000040000FA\n";  // an extended-address record hands over no data
    const bad_case cases[] = {
        {"sum.hex", good + good + ":020000000102FA\n:00000001FF\n",
         "sum.hex: line 3: checksum mismatch (FF != 00)"},
        {"first.s19", "S1070010DEADBEEFB4\nS9030000FC\n", "first.s19: line 1: checksum mismatch"},
        {"two.s19", "S107000001020304EE\nS9030000FC\nS107000001020304EE\nS9030000FC\n",
         "two.s19: line 3: text after the end record, which srec files may not hold"},
        {"record.hex", good + ":0200000001\n:00000001FF\n", "record.hex: line 2: "},
        {"beyond.hex", good + ":04007E000102030474\n:00000001FF\n",
         "beyond.hex: line 2: data at 0x80 to 0x81 lies beyond the chip's last address 0x7f"},
        {"twice.hex", good + ":0100010009F5\n:00000001FF\n",
         "twice.hex: line 2: address 0x01 is given two different bytes"},
        {"header.s19", "S00600004844521B\nS9030000FC\n", "header.s19 holds no data for the chip"},
        {"typo.hex", (ext + ":04001000112233G47A\n:00000001FF\n").append(78, ' '), "typo.hex: line 2: "},
        {"bad2.hex", ext + ":10000000ZZ\n", "bad2.hex: line 2: "},
        {"cut.hex", ext + ":100000\n", "cut.hex: line 2: "},
        {"first.hex", ":10000000ZZ\n", "first.hex: line 1: "},
        {"eof.hex", ":00000001FF\n", "eof.hex holds no data for the chip"},
        {"short.bin", std::string(100, 'x'), "short.bin holds 100 bytes; a raw image is exactly 128 bytes"},
    };
    tool_dir dir;
    for (const bad_case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.put(c.name, c.content);
        loaded_file loaded = load_file(dir.file(c.name), 128);
        EXPECT_EQ(loaded.error.substr(0, dir.path().size() + 1), dir.path() + "/");
        EXPECT_TRUE(loaded.error.substr(dir.path().size() + 1).starts_with(c.error)) << loaded.error;
    }
}

// Each format reads srec_cat's files of it when named, one with checksums also by their content, but not with
// a line of none of its records before them or a second end record after; data past the chip's end is refused.
TEST(LoadFile, EveryFormatReadsItsFilesWholeAndNothingPastTheChip) {
    const std::pair<const char*, const char*> formats[] = {
        {"Ascii_Hex", "ascii-hex"}, {"Atmel_Generic", "atmel-generic"}, {"B-Record", "brecord"}, {"COsmac", "cosmac"},
        {"Emon52", "emon52"}, {"FAIrchild", "fairchild"}, {"Fast_Load", "fastload"}, {"Four_Packed_Code", "four-packed-code"},
        {"Intel", "ihex"}, {"LOGisim", "logisim"}, {"Memory_Initialization_File", "mif"}, {"MOS_Tech", "mos-tech"},
        {"Motorola", "srec"}, {"Needham_Hexadecimal", "needham"}, {"Ohio_Scientific", "os65v"}, {"SIGnetics", "signetics"},
        {"SPAsm", "spasm"}, {"Tektronix", "tektronix"}, {"Tektronix_Extended", "tektronix-extended"},
        {"Texas_Instruments_Tagged", "ti-tagged"}, {"Texas_Instruments_TeXT", "ti-txt"}, {"VMem", "vmem"}};
    tool_dir dir;
    for (const auto& [option, name] : formats)
        for (std::size_t at : {0, 56, 112}) {
            const std::string data = counting_image(8 * (1 + (std::string(name).size() + at) % 5));
            const bool fits = at + data.size() <= 128;
            dir.put("data.bin", data);
            // Logisim files have no addresses; srec_cat's Fairchild files lack their end record.
            const bool made = srec_cat(dir, "data.bin -Binary -offset " + std::to_string(at) + " -o image.load -" + option);
            if (!made) { EXPECT_EQ(name, std::string("logisim")); continue; }
            if (name == std::string("fairchild")) dir.put("image.load", dir.get("image.load") + "*\n");
            for (const file_format* format = find_file_format(name); auto named : {format, format->checksums ? nullptr : format}) {
                loaded_file loaded = load_file(dir.file("image.load"), 128, named);
                EXPECT_EQ(fits ? "" : "beyond",
                          loaded.error.ends_with(" lies beyond the chip's last address 0x7f.\n") ? "beyond" : loaded.error)
                    << name << " at " << at;
                if (!fits) continue;
                EXPECT_EQ(loaded.format + as_string(loaded.image.bytes).substr(at, data.size()), name + data);
                EXPECT_EQ(loaded.image.covered_count(), data.size());
            }
            dir.put("image.load", at == 56 ? "x\n" + dir.get("image.load") : dir.get("image.load") + ":00000001FF\n");
            loaded_file more = load_file(dir.file("image.load"), 128);  // raw if it happens to be of the chip's size
            EXPECT_TRUE(more.format == "raw" || more.error.ends_with("(--format list shows them).\n")) << more.error;
        }
}

TEST(LoadFile, EndlessAndMissingInputsAreRefused) {
    EXPECT_EQ(load_file("/dev/zero", 128).error, "/dev/zero is larger than 4 MiB, which no 24Cxx image is.\n");
    EXPECT_EQ(load_file("/nonexistent/x.hex", 128).error, "Cannot read /nonexistent/x.hex: No such file or directory.\n");
}

}  // namespace
