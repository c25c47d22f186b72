// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options and port refusals, through the built binary.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "app/options.h"
#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

const std::string USAGE_LINE = USAGE;
const std::string TRY_HELP = USAGE_HINT;

TEST(Options, BadOptionsExitWithUsageBeforeAnythingElse) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    const std::vector<std::vector<std::string>> bad{
        {"--bogus"},          {"--io", "0x379"},   {"--io", "65536"},    {"--io", "0x37g"},
        {"--io"},             {"--port", ""},      {"--no-chip"},        {"--sim", "a", "--port", "b"},
        {"--io", "888", "--sim", "c"}, {"--trace", "t", "--trace", "u", "--sim", "c"}, {"extra"},
        {"--sim", "c", "-r", "a", "-v", "b"}, {"--sim", "c", "-w"}, {"--sim", "c", "--check", "-r", ""},
        {"--sim", "c", "-n"}, {"--sim", "c", "--no-chip", "--no-cable"}, {"--no-cable", "--check"}, {"--sim", "c", ""},
    };
    for (const auto& args : bad) {
        tool_run r = dir.run(args, "\n8\n");
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, 13), "eeprom24c01: ");
        EXPECT_EQ(r.err.find('\n') + 1 + TRY_HELP.size(), r.err.size()) << "one line, then the hint: " << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - TRY_HELP.size()), TRY_HELP);
    }
    EXPECT_FALSE(dir.exists("c"));
}

TEST(Options, HelpPrintsUsage) {
    tool_dir dir;
    tool_run r = dir.run({"--help"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, USAGE_LINE);
    r = dir.run({"--sim", "c", "-V"}, "");
    EXPECT_EQ(r.out, "eeprom24c01 " EEPROM24C01_VERSION "\n");
    EXPECT_FALSE(dir.exists("c"));
    // Into a standard output that cannot take it, as into /dev/full: status 1 and one line.
    dir.in_child = [] { close(1); };
    for (const char* only_prints : {"--help", "-V", "--format=list"}) {
        r = dir.run({only_prints}, "");
        EXPECT_EQ(r.err + std::to_string(r.status), "eeprom24c01: cannot write standard output: Bad file descriptor.\n1");
    }
}

TEST(Options, ParsedAsOtherLinuxTools) {
    tool_dir dir;
    dir.put("image.bin", counting_image());
    // Values after '=', bundled short flags and "--" before a name that
    // starts with a dash.
    tool_run r = dir.run({"--sim=chip.bin", "-nw", "image.bin"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.get("chip.bin"), counting_image());
    dir.put("-odd.bin", counting_image(3));
    r = dir.run({"--sim", "chip.bin", "-w", "image.bin", "--", "-odd.bin"}, "");
    EXPECT_EQ(r.err.rfind("eeprom24c01: unexpected argument '-odd.bin'\n", 0), 0u) << r.err;
    r = dir.run({"--sim", "chip.bin", "-v-"}, counting_image());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"--sim", "x", "--sim=y"}, "--sim given twice"},
        {{"--check=1"}, "option --check takes no value"},
        {{"--i2c", "x", "--clock", "400k", "-r", "y"}, "--clock cannot go with --i2c: the adapter's kernel driver sets that bus's clock (clock-frequency in the device tree, dtparam=i2c_arm_baudrate on a Raspberry Pi, or the driver's module parameter)"},
        {{"-q"}, "unknown option '-q'"},
        {{"--check", "-xn"}, "unknown option '-x'"},
        {{"--sim", "x", "-r"}, "option --read needs a value"},
        {{"--ch", "list"}, "option '--ch' is ambiguous: it could be --check, --chip or --ch341"},
        {{"--no-c", "--sim", "x"}, "option '--no-c' is ambiguous: it could be --no-chip or --no-cable"},
        {{"--page-size", "", "--sim", "x"}, "option --page-size was given an empty value"},
        {{"--sim", "x", "-v", ""}, "option --verify was given an empty value"},
        {{"--chip", "list", "-w", "image.bin"}, "--chip list goes alone: it prints the table of parts and does nothing else"},
        {{"--format", "list", "-r", "x"}, "--format list goes alone: it prints the table of formats and does nothing else"},
        {{"--sim", "x", "-r", "x.hex", "--format", "tektronix"}, "--read writes hexdump, ihex, raw, srec or ti-txt, not 'tektronix'"},
        {{"--sim", "x", "-v", "x", "--format", "hexdump"}, "--format hexdump is only written: --write and --verify cannot read it"},
    };
    for (const auto& [args, problem] : refused) {
        r = dir.run(args, "");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "eeprom24c01: " + problem + "\n" + TRY_HELP);
    }
    EXPECT_EQ(dir.run({"--chip", "list", "-w", "image.bin", "-h"}, "").out, USAGE_LINE);
    EXPECT_FALSE(dir.exists("x"));
    r = dir.run({"--bogus", "--sim", "x", "--sim", "y", "-r", "a", "-v", "b", "-h"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, USAGE_LINE);
    for (const char* listed : {"--port", "--io", "--sim", "--no-chip", "--no-cable", "--trace", "\"-\": standard input",
                               "a power of two, at most the largest page", "129 SIGHUP", "130 SIGINT", "131 SIGQUIT", "141 SIGPIPE", "143 SIGTERM"})
        EXPECT_NE(r.out.find(listed), std::string::npos) << listed;
}

TEST(Options, PortThatCannotBeOpenedLeavesTheToolAtTheMenu) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    std::string device = dir.file("parport9");
    tool_run r = dir.run({"--port", device}, "\n5\n6 1\n8\n");
    std::string refusal = "Cannot use the parallel port " + device +
                          ": No such file or directory. Load the drivers (sudo modprobe parport_pc ppdev), or name "
                          "another port with --port.\n";
    EXPECT_EQ(r.out, startup_text(counting_image()) + refusal + MENU_TEXT + refusal + MENU_TEXT + refusal + MENU_TEXT);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(dir.exists("parport9"));
}

TEST(Options, PortThatIsNotAParallelPortIsRefused) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    dir.put("notaport", "");
    tool_run r = dir.run({"--port", "notaport"}, "\n1\n8\n");
    EXPECT_NE(r.out.find("Cannot use the parallel port notaport: Inappropriate ioctl for device. It is not a ppdev "
                         "port: /dev/lp* and USB printer cables cannot drive single pins; name a /dev/parportN.\n"),
              std::string::npos);
    EXPECT_EQ(dir.get("notaport"), "");
}

TEST(Options, ChipFileOfTheWrongSizeIsRefusedAndKept) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    dir.put("chip.bin", std::string(200, 'q'));
    tool_run r = dir.run({"--sim", "chip.bin"}, "\n1\n8\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "eeprom24c01: Chip file chip.bin is not a 128-byte chip image (200 bytes); it is left as it is: "
                     "name another file.\n");
    EXPECT_EQ(dir.get("chip.bin"), std::string(200, 'q'));
}

TEST(Options, ChipFileThatIsHeldOrReadOnlyIsRefusedAndKept) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    dir.put("chip.bin", counting_image(5));
    tool_run second;
    tool_run first = dir.run_paused({"--sim", "chip.bin"}, "Push ENTER", [&] { second = dir.run({"--sim", "chip.bin"}, "\n1\n8\n"); },
                                    "\n8\n");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.err, "eeprom24c01: Chip file chip.bin is in use by another eeprom24c01; it is left as it is: end "
                          "that one first or name another file.\n");
    chmod(dir.file("chip.bin").c_str(), 0444);
    tool_run read_only = dir.run({"--sim", "chip.bin"}, "\n1\n8\n", true);
    EXPECT_EQ(read_only.status, 2);
    EXPECT_EQ(read_only.out, "");
    EXPECT_EQ(read_only.err, "eeprom24c01: Chip file chip.bin may not be written by you (Permission denied); it is left "
                             "as it is: make it writable or name another file.\n");
    EXPECT_EQ(dir.get("chip.bin"), counting_image(5));
}

TEST(Options, TraceOfASessionOnTheSimulatedBoard) {
    tool_dir dir;
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run({"--trace", "bus.vcd", "--sim", "chip.bin"}, "\n6\n8\n");
    EXPECT_EQ(r.status, 0);
    std::string vcd = dir.get("bus.vcd");
    EXPECT_EQ(vcd.rfind("$version", 0), 0u);
    EXPECT_NE(vcd.find("$dumpvars"), std::string::npos);
    EXPECT_GT(vcd.size(), 5000u);
}

}  // namespace
