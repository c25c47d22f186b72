// SPDX-License-Identifier: GPL-3.0-or-later
// Load files through the built tool on the simulated board: HEX and S-record
// files from srec_cat write and verify byte-exact, -r writes formats srec_cat
// reads back, a partial file changes only its bytes, and a bad file leaves the
// chip untouched.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <random>
#include <tuple>

#include "support/expected_output.h"
#include "support/run_tool.h"
#include "support/srec_cat.h"

using namespace eeprom24c01;
namespace {

std::vector<std::string> sim(std::initializer_list<std::string> more) {
    std::vector<std::string> args{"--sim", "chip.bin"};
    args.insert(args.end(), more);
    return args;
}

TEST(LoadFiles, HexAndSRecordFilesFromSrecCatWriteAndVerifyByteExact) {
    const char* formats[] = {"-Intel", "-Motorola"};
    tool_dir dir;
    for (const char* format : formats) {
        SCOPED_TRACE(format);
        std::string image = counting_image(format[1]);
        dir.put("image.bin", image);
        ASSERT_TRUE(srec_cat(dir, std::string("image.bin -Binary -o image.load ") + format));
        tool_run r = dir.run(sim({"-w", "image.load"}), "");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.err.ends_with("Wrote 128 bytes and verified them.\n" + crc_line(image))) << r.err;
        EXPECT_EQ(dir.get("chip.bin"), image);
        r = dir.run(sim({"-v", "image.load"}), "");
        EXPECT_EQ(r.err, "Verified 128 bytes: the chip matches image.load.\n" + crc_line(image));
    }
}

TEST(LoadFiles, ReadFormatsAreOnesSrecCatTurnsBackIntoTheChip) {
    tool_dir dir;
    std::string chip = counting_image(7);
    dir.put("chip.bin", chip);
    struct read_case {
        std::vector<std::string> args;
        std::string file;
        const char* format;
    };
    const read_case reads[] = {
        {{"-r", "out.load", "--format", "ihex"}, "out.load", "-Intel"},
        {{"-r", "out.s19"}, "out.s19", "-Motorola"},
        {{"--format=ti-txt", "-r", "out.txt"}, "out.txt", "-TI_Text"},
    };
    for (const read_case& c : reads) {
        SCOPED_TRACE(c.format);
        std::vector<std::string> all{"--sim", "chip.bin"};
        all.insert(all.end(), c.args.begin(), c.args.end());
        tool_run r = dir.run(all, "");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "Read 128 bytes into " + c.file + ".\n" + crc_line(chip));
        ASSERT_TRUE(srec_cat(dir, c.file + " " + c.format + " -o back.bin -Binary"));
        EXPECT_EQ(dir.get("back.bin"), chip);
    }
    tool_run r = dir.run(sim({"-r", "x", "--format", "elf"}), "");
    EXPECT_EQ(r.status, 2);
    dir.in_child = [] {
        rlimit some{100, 100};  // the message fits, the HEX file does not
        setrlimit(RLIMIT_FSIZE, &some);
    };
    r = dir.run(sim({"-r", "small.hex"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write small.hex: File too large.\n");  // there was no small.hex to leave
}

TEST(LoadFiles, APartialFileChangesOnlyItsBytes) {
    tool_dir dir;
    std::string chip = counting_image();
    dir.put("chip.bin", chip);
    dir.put("patch.hex", ":04001000DEADBEEFB4\n:00000001FF\n");
    tool_run r = dir.run(sim({"-w", "patch.hex"}), "");
    EXPECT_EQ(r.status, 0);
    chip.replace(0x10, 4, "\xde\xad\xbe\xef");
    EXPECT_EQ(r.err, "Wrote 4 bytes and verified them.\n" + crc_line(chip));
    EXPECT_EQ(dir.get("chip.bin"), chip);
}

TEST(LoadFiles, BadFilesEndWithOneLineAndTouchNothing) {
    const std::string good = ":020000000102FB\n";
    const std::pair<std::string, std::string> files[] = {
        {good + good + ":020000000102FA\n:00000001FF\n", "bad.hex: line 3: checksum mismatch (FF != 00).\n"},
        {good + ":02000000ZZ02FB\n:00000001FF\n", "bad.hex: line 2: "},
        {good + ":04007E000102030474\n:00000001FF\n",
         "bad.hex: line 2: data at 0x80 to 0x81 lies beyond the chip's last address 0x7f.\n"},
    };
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    for (const auto& [content, message] : files) {
        dir.put("bad.hex", content);
        for (const char* action : {"-w", "-v"}) {
            tool_run r = dir.run(sim({action, "bad.hex"}), "");
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.starts_with(message)) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(dir.get("chip.bin"), counting_image());
        }
    }
}

// The files misread before: Tektronix files, and a raw backup that begins with a HEX record and an end record.
TEST(LoadFiles, FilesOnceMisreadAreReadRightOrRefused) {
    tool_dir dir;
    const std::string data = counting_image().substr(0, 64), held = data + std::string(64, '\xff');
    const std::string backup = (":0100000041BE\n:00000001FF\n" + counting_image()).substr(0, 128);
    dir.put("data.bin", data);
    ASSERT_TRUE(srec_cat(dir, "data.bin -Binary -o in.tek -Tektronix") &&
                srec_cat(dir, "data.bin -Binary -offset 0x70 -o out.tek -Tektronix"));
    dir.put("backup", backup);
    dir.put("lost.hex", ":0100000041BE\n0100010041BD\n:00000001FF\n");  // a record that lost its colon
    dir.put("two.hex", ":0100000041BE\n:00000001FF\n:0100010041BD\n:00000001FF\n");
    dir.put("chip.bin", std::string(128, '\xff'));
    const std::tuple<std::vector<std::string>, std::string, std::string, std::string> cases[] = {
        {sim({"-w", "in.tek"}), "", held, "Wrote 64 bytes and verified them.\n"},
        {sim({"-v", "-"}), dir.get("in.tek"), held, "Verified 64 bytes: the chip matches standard input.\n"},
        {sim({"-w", "-"}), dir.get("out.tek"), held, "standard input: line 1: data at 0x80 to 0x8f lies beyond the chip's last address 0x7f.\n"},
        {sim({"-w", "backup"}), "", backup, "Wrote 128 bytes and verified them.\n"},
        {sim({"-v", "-"}), backup, backup, "Verified 128 bytes: the chip matches standard input.\n"},
        {sim({"-w", "lost.hex"}), "", backup, "lost.hex: line 2: no ihex record, which ihex files may not hold.\n"},
        {sim({"-w", "two.hex"}), "", backup, "two.hex: line 3: text after the end record, which ihex files may not hold.\n"},
    };
    for (const auto& [args, input, chip, message] : cases) {
        tool_run r = dir.run(args, input);
        EXPECT_TRUE(r.err.starts_with(message)) << r.err;
        EXPECT_EQ(dir.get("chip.bin"), chip);
    }
}

// What -r wrote of any contents, also the start of a load file, loads back by its name and through "-".
TEST(LoadFiles, WhatReadWroteLoadsBackAsItWas) {
    tool_dir dir;
    const std::string list = dir.run({"--format", "list"}, "").out;
    EXPECT_TRUE(list.starts_with("format              -w/-v  -r   checksums\nascii-hex           yes    no   no\n") &&
                std::count(list.begin(), list.end(), '\n') == 25) << list;
    const char* starts[] = {"Emon52", "FAIrchild", "Four_Packed_Code", "Intel", "MOS_Tech", "Motorola", "SIGnetics",
                            "Tektronix", "Tektronix_Extended", "Texas_Instruments_Tagged", "Texas_Instruments_TeXT"};
    // -r's file and options; TI-TXT has no checksums and is read only when named.
    const std::vector<std::string> reads[] = {{"x.bin"}, {"x.ROM"}, {"x"}, {"x.hex"}, {"x", "--format", "ihex"}, {"x.s37"},
                                              {"x", "--format", "srec"}, {"x.txt", "--format", "ti-txt"}};
    std::mt19937 random(20261222);
    auto bytes = [&random](std::size_t n) { std::string b; while (b.size() < n) b += static_cast<char>(random()); return b; };
    for (int run = 0; run < 40; ++run) {
        const std::size_t size = run % 2 ? 128 : 512;
        dir.put("piece.bin", bytes(8));  // Fairchild records hold 8 bytes
        ASSERT_TRUE(srec_cat(dir, "piece.bin -Binary -o piece.load -" + std::string(starts[random() % std::size(starts)])));
        const std::string contents = ((run % 3 ? dir.get("piece.load") : "") + bytes(size)).substr(0, size);
        const std::vector<std::string>& read = reads[random() % std::size(reads)];
        std::vector<std::string> args{"--sim", "chip.bin", "--chip", size == 128 ? "24c01" : "24c04", "-r"};
        args.insert(args.end(), read.begin(), read.end());
        dir.put("chip.bin", contents);
        ASSERT_EQ(dir.run(args, "").status, 0);
        dir.put("chip.bin", bytes(size));
        for (const std::string& file : {read[0], std::string("-")}) {
            args.resize(4);
            args.insert(args.end(), {file == "-" ? "-v" : "-w", file});
            if (read[0] == "x.txt") args.insert(args.end(), read.begin() + 1, read.end());
            tool_run r = dir.run(args, file == "-" ? dir.get(read[0]) : "");
            EXPECT_EQ(dir.get("chip.bin"), contents) << read[0] << r.err;
            EXPECT_TRUE(file != "-" || r.err.starts_with("Verified " + std::to_string(size) + " bytes")) << r.err;
        }
    }
}

}  // namespace
