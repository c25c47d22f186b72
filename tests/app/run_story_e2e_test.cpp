// SPDX-License-Identifier: GPL-3.0-or-later
// Random command-line runs on simulated boards, some of them with a fault: a
// file size limit, a closed standard descriptor, a log another station holds
// for a while, a trace that cannot be written, a signal at any moment. Every
// run is held to what the tool promises whatever happens: exit 0 only when
// the action did all it says; a serial number that moves on only with a run
// that ended with 0 and put it on its chip; one whole log line per run with
// the run's status; no file left partial or lost. EEPROM_STORY_RUNS sets the
// number of runs, EEPROM_STORY_SEED the seed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <random>
#include <thread>

#include "chip/chip_profile.h"
#include "production/production_log.h"
#include "support/run_tool.h"
#include "support/srec_cat.h"
#include "util/unique_fd.h"

using namespace eeprom24c01;

namespace {

using random_source = std::mt19937;

std::string random_bytes(random_source& r, std::size_t n) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(r() & 0xFF);
    return bytes;
}

// Raw contents that begin like a record of a text format.
const char* const LOOKALIKES[] = {":00000001FF\n", ":0100000041BE\n:00000001FF\n", "S00600004844521B\nS9030000FC\n",
                                  "/00000000\n", "%0A6000000\n", ";00\n", "$A0000,\n", "K0000", "@0000\n00\nq\n"};

enum class fault { none, size_limit, closed_descriptor, held_log, full_trace, signal };

int env_number(const char* name, int otherwise) {
    const char* text = std::getenv(name);
    return text ? std::atoi(text) : otherwise;
}

// The status field of a log line (the last but one).
int logged_status(const std::string& line) {
    std::size_t last = line.rfind(',');
    std::size_t before = line.rfind(',', last - 1);
    return std::atoi(line.substr(before + 1, last - before - 1).c_str());
}

TEST(RunStory, EveryRunTellsOneStoryWhateverFails) {
    const int runs = env_number("EEPROM_STORY_RUNS", 300);
    random_source r(static_cast<unsigned>(env_number("EEPROM_STORY_SEED", 20261209)));
    tool_dir dir;
    std::vector<const chip_profile*> parts;
    for (const chip_profile& p : chip_profiles())
        if (p.size <= 2048) parts.push_back(&p);
    dir.put("serial.txt", "1000\n");
    double typical_seconds = 0.05;  // of a run without a signal, learnt as the runs go
    for (int run = 0; run < runs; ++run) {
        const chip_profile& part = *parts[r() % parts.size()];
        const std::size_t size = part.size;
        const std::string chip_name = "chip-" + std::string(part.name) + ".bin";
        if (!dir.exists(chip_name)) dir.put(chip_name, random_bytes(r, size));
        const std::string chip = dir.get(chip_name), serial = dir.get("serial.txt");
        const std::string log = dir.exists("log.csv") ? dir.get("log.csv") : "";
        const std::string out_before = dir.exists("out.bin") ? dir.get("out.bin") : "";
        std::vector<std::string> args{"--sim", chip_name, "--chip", std::string(part.name)};

        // The action, and what the chip must hold (write, erase) or what it
        // must match (verify) for the action to do all it says.
        const int action = static_cast<int>(r() % 5);  // -w, -v, -r, --erase, --blank-check
        std::string expected = chip, name, input;
        bool matches = true;
        if (action <= 1) {
            const int kind = static_cast<int>(r() % 3);  // raw, raw that looks like text, a HEX file
            std::string image;
            if (kind < 2) {
                image = action == 1 && r() % 2 ? chip : random_bytes(r, size);
                if (kind == 1) image = (LOOKALIKES[r() % std::size(LOOKALIKES)] + image).substr(0, size);
                const char* names[] = {"image.bin", "image", "-"};
                name = names[r() % 3];
                matches = image == chip;
                if (action == 0) expected = image;
            } else {
                const std::uint32_t at = static_cast<std::uint32_t>(r() % size);
                const std::size_t length = 1 + r() % std::min<std::size_t>(40, size - at);
                std::string bytes = action == 1 && r() % 2 ? chip.substr(at, length) : random_bytes(r, length);
                dir.put("patch.bin", bytes);
                ASSERT_TRUE(srec_cat(dir, "patch.bin -Binary -offset " + std::to_string(at) + " -o patch.hex -Intel"));
                image = dir.get("patch.hex");
                const char* names[] = {"patch.hex", "patch", "-"};
                name = names[r() % 3];
                matches = chip.compare(at, length, bytes) == 0;
                if (action == 0) expected.replace(at, length, bytes);
            }
            if (name == "-") input = image;
            else dir.put(name, image);
            args.insert(args.end(), {action == 0 ? "-w" : "-v", name});
        } else if (action == 2) {
            name = r() % 2 ? "out.bin" : "-";
            args.insert(args.end(), {"-r", name});
        } else if (action == 3) {
            args.push_back("--erase");
            expected.assign(size, '\xff');
        } else {
            args.push_back("--blank-check");
            matches = chip == std::string(size, '\xff');
        }
        const std::string image_before = action > 1 || name == "-" ? "" : dir.get(name);
        const bool stamps = action == 0 && r() % 2;
        if (stamps) {
            const std::uint32_t at = static_cast<std::uint32_t>(r() % (size - 3));
            args.insert(args.end(), {"--serial", std::to_string(at) + ":4", "--serial-file", "serial.txt"});
            const unsigned long number = std::stoul(serial);
            for (int i = 0; i < 4; ++i) expected[at + i] = static_cast<char>(number >> (8 * (3 - i)));
        }
        const bool logged = r() % 4 != 0;
        if (logged) args.insert(args.end(), {"--log", "log.csv"});

        const auto trouble = static_cast<fault>(r() % 8 < 6 ? r() % 6 : 0);
        if (trouble == fault::full_trace) args.insert(args.end(), {"--trace", "/dev/full"});
        else if (r() % 4 == 0) args.insert(args.end(), {"--trace", "trace.vcd"});
        const int signal_number = std::array{SIGINT, SIGTERM, SIGHUP}[r() % 3];
        const rlim_t limit = r() % 4096;
        const int closed = action == 2 && name == "-" ? 1 : name == "-" ? 0 : 1;
        dir.in_child = nullptr;
        if (trouble == fault::size_limit) dir.in_child = [limit] {
            rlimit some{limit, limit};
            setrlimit(RLIMIT_FSIZE, &some);
        };
        if (trouble == fault::closed_descriptor) dir.in_child = [closed] { close(closed); };
        unique_fd held;
        std::thread letting_go;
        if (trouble == fault::held_log) {
            held.reset(open(dir.file("log.csv").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
            ASSERT_EQ(flock(held.get(), LOCK_EX), 0);
            letting_go = std::thread([&held, hold = std::chrono::milliseconds(r() % 100)] {
                std::this_thread::sleep_for(hold);
                held.reset();
            });
        }
        const double when = std::uniform_real_distribution<double>(0, 1.5 * typical_seconds)(r);
        tool_run result =
            trouble == fault::signal
                ? dir.run_signalled(args, input, [&](int pid) { return catches_signal(pid, signal_number); }, when,
                                    signal_number)
                : dir.run(args, input);
        if (letting_go.joinable()) letting_go.join();
        if (trouble != fault::signal) typical_seconds = 0.9 * typical_seconds + 0.1 * result.seconds;

        std::string story;
        for (const std::string& a : args) story += a + " ";
        SCOPED_TRACE("run " + std::to_string(run) + ": " + story + "fault " + std::to_string(static_cast<int>(trouble)) +
                     "\n" + result.err);
        ASSERT_FALSE(result.timed_out);
        ASSERT_EQ(result.signal, 0);
        const int status = result.status;
        const std::string chip_after = dir.get(chip_name);

        // The exit status is the truth.
        const std::string output = action != 2 ? "" : name == "-" ? result.out : dir.get("out.bin");
        const bool done = action == 0 || action == 3 ? chip_after == expected : action == 2 ? output == chip : matches;
        EXPECT_TRUE(status != 0 || done);
        EXPECT_TRUE((trouble != fault::none && trouble != fault::held_log) || (status == 0) == done);
        EXPECT_TRUE(trouble != fault::full_trace || status != 0);
        EXPECT_TRUE(trouble != fault::closed_descriptor || name != "-" || status == 1);
        EXPECT_TRUE(trouble != fault::signal || status <= 2 || status == 128 + signal_number);
        EXPECT_TRUE(action == 0 || action == 3 || chip_after == chip);

        // A serial number moves on only with a run that ended with 0, and then
        // stands on its chip.
        const std::string serial_after = dir.get("serial.txt");
        EXPECT_EQ(serial_after, stamps && status == 0 ? std::to_string(std::stoul(serial) + 1) + "\n" : serial);

        // One whole line per run in the log, with the run's status.
        std::string added = dir.exists("log.csv") ? dir.get("log.csv") : "";
        ASSERT_EQ(added.compare(0, log.size(), log), 0);
        added.erase(0, log.size());
        if (added.starts_with(LOG_HEADER)) added.erase(0, LOG_HEADER.size());
        const bool one_line = added.ends_with('\n') && added.find('\n') == added.size() - 1 && logged_status(added) == status;
        // Under a file size limit the messages themselves may be cut short.
        const bool said_unwritten = added.empty() && status != 0 &&
                                    (trouble == fault::size_limit || result.err.find("not written") != std::string::npos);
        EXPECT_TRUE(logged ? one_line || said_unwritten : added.empty()) << added;

        // No file partial or lost.
        EXPECT_TRUE(image_before.empty() || dir.get(name) == image_before);
        EXPECT_TRUE(action != 2 || name == "-" || !dir.exists("out.bin") || output == chip || output == out_before);
        for (const std::string& file : dir.names()) EXPECT_NE(file[0], '.') << file;
    }
}

}  // namespace
