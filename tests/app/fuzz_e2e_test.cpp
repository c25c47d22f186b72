// SPDX-License-Identifier: GPL-3.0-or-later
// Random dialogues through the built binary on the simulated board: every
// run must end by itself, with status 0 and nothing on standard error (so
// no sanitizer report), and leave a whole chip file behind.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

constexpr int MAX_RUNS = 120;
constexpr double MAX_SECONDS = 20.0;

std::string random_bytes(std::mt19937& rng, std::size_t max_length) {
    std::string s(rng() % (max_length + 1), '\0');
    for (char& c : s) {
        c = static_cast<char>(rng() & 0xFF);
        if (c == '/') c = '.';  // keep every file the tool makes inside its folder
    }
    return s;
}

std::string pick(std::mt19937& rng, const std::vector<std::string>& from) { return from[rng() % from.size()]; }

std::string random_token(std::mt19937& rng) {
    switch (rng() % 6) {
        case 0:
            return pick(rng, {"1", "2", "3", "4", "5", "6", "7", "8", "0", "9", "-1", "+2", "x", "2147483648"});
        case 1:  // editor addresses
            return std::to_string(static_cast<int>(rng() % 300) - 100);
        case 2:  // editor values
            return pick(rng, {"ff", "0x3c", "-1", "1ff", "100", "zz", "0x", "-", "7FFFFFFFFFFFFFFFF", "a5"});
        case 3:  // answers
            return pick(rng, {"y", "n", "Y", "?"});
        case 4:  // file names
            return pick(rng, {"a.bin", "dflt.dat", "/dev/full", "/dev/null", "missing/dir.bin", std::string(200, 'f'),
                              std::string(300, 'g'), "ro.bin", "."});
        default:
            return random_bytes(rng, 6);
    }
}

std::string random_dialogue(std::mt19937& rng) {
    if (rng() % 4 == 0) return random_bytes(rng, 400);
    std::string s = "\n";
    int tokens = static_cast<int>(rng() % 40);
    for (int i = 0; i < tokens; ++i) s += random_token(rng) + (rng() % 3 ? " " : "\n");
    if (rng() % 2) s += "8\n";
    return s;  // otherwise input simply ends somewhere
}

TEST(Fuzz, RandomDialoguesEndCleanly) {
    std::mt19937 rng(24011);
    auto began = std::chrono::steady_clock::now();
    int runs = 0;
    for (; runs < MAX_RUNS; ++runs) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() > MAX_SECONDS) break;
        tool_dir dir;
        dir.put("dflt.dat", random_bytes(rng, 200));
        dir.put("ro.bin", "read only");
        std::string chip;  // empty: the run starts with a blank chip
        if (rng() % 3) {
            for (int i = 0; i < 128; ++i) chip.push_back(static_cast<char>(rng()));
        }
        if (!chip.empty()) dir.put("chip.bin", chip);
        std::vector<std::string> args{"--sim", "chip.bin"};
        bool no_chip = rng() % 5 == 0;
        if (no_chip) args.push_back("--no-chip");
        if (rng() % 5 == 0) args.insert(args.begin(), {"--trace", "bus.vcd"});
        std::string input = random_dialogue(rng);

        tool_run r = dir.run(args, input, false, 30);
        SCOPED_TRACE("run " + std::to_string(runs) + ", input: " + input.substr(0, 200));
        ASSERT_FALSE(r.timed_out);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, chip.empty() ? "Created a blank simulated chip in chip.bin.\n" : "");
        std::string after = dir.get("chip.bin");
        EXPECT_EQ(after.size(), 128u);
        for (const auto& name : dir.names()) {
            EXPECT_NE(name.rfind("chip.bin.", 0), 0u) << "temporary left behind: " << name;
        }
        bool could_write = input.find('1') != std::string::npos || input.find('7') != std::string::npos;
        if (!chip.empty() && (no_chip || !could_write)) {
            EXPECT_EQ(after, chip) << "no write ran, yet the chip changed";
        }
        if (HasFailure()) break;
    }
    EXPECT_GE(runs, 20) << "too few runs in the time allowed";
    std::printf("%d dialogues\n", runs);
}

}  // namespace
