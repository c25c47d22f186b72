// SPDX-License-Identifier: GPL-3.0-or-later
// Random command-line runs on simulated boards, some with a fault, each held
// to what the tool promises whatever happens (see the checks below).
// EEPROM_STORY_RUNS sets the number of runs, EEPROM_STORY_SEED the seed.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

#include "chip/chip_profile.h"
#include "production/production_log.h"
#include "support/run_tool.h"
#include "support/srec_cat.h"
#include "util/unique_fd.h"

using namespace eeprom24c01;
namespace {

// Raw contents that begin like a record of a text format.
const char* const LOOKALIKES[] = {":00000001FF\n", ":0100000041BE\n:00000001FF\n", "S00600004844521B\nS9030000FC\n",
                                  "/00000000\n", "%0A6000000\n", ";00\n", "$A0000,\n", "K0000", "@0000\n00\nq\n"};
// stuck_reader: the -r target or the trace is a FIFO whose reader stopped reading.
// refused_read: a 24C01 on the fake port whose chip stops acknowledging after a few bytes.
enum fault { none, size_limit, closed_descriptor, held_log, full_trace, signalled, stuck_reader, refused_read };
enum action { write_, verify, read, erase, blank_check };

int env_number(const char* name, int otherwise) { return std::getenv(name) ? std::atoi(std::getenv(name)) : otherwise; }

TEST(RunStory, EveryRunTellsOneStoryWhateverFails) {
    std::mt19937 r(static_cast<unsigned>(env_number("EEPROM_STORY_SEED", 20261209)));
    auto bytes = [&r](std::size_t n) { std::string b(n, '\0'); for (char& c : b) c = static_cast<char>(r()); return b; };
    tool_dir dir;
    std::vector<const chip_profile*> parts;
    for (const chip_profile& p : chip_profiles())
        if (p.size <= 2048) parts.push_back(&p);
    dir.put("serial.txt", "1000\n");
    double typical_seconds = 0.05;  // of a run without a signal, learnt as the runs go
    for (int run = 0, runs = env_number("EEPROM_STORY_RUNS", 300); run < runs; ++run) {
        const auto trouble = static_cast<fault>(r() % 8 < 6 ? r() % 8 : 0);
        const chip_profile& part = *parts[r() % parts.size()];
        const std::size_t size = part.size;
        const std::string chip_name = "chip-" + std::string(part.name) + ".bin";
        if (!dir.exists(chip_name)) dir.put(chip_name, bytes(size));
        auto now = [&dir](const std::string& name) { return dir.exists(name) ? dir.get(name) : ""; };
        const std::string chip = dir.get(chip_name), serial = dir.get("serial.txt"), log = now("log.csv"),
                          out_before = now("out.bin");
        std::vector<std::string> args{"--sim", chip_name, "--chip", std::string(part.name)};

        // The action, and what the chip must hold after it (-w, --erase) or
        // match (-v, --blank-check) for it to do all it says.
        const auto act = static_cast<action>(r() % 5);
        std::string expected = act == erase ? std::string(size, '\xff') : chip, name, input;
        bool matches = act != blank_check || chip == std::string(size, '\xff');
        // A load file joined to itself is refused; only what is read of standard input past skipped counts.
        bool joined = false;
        std::string skipped;
        if (act == write_ || act == verify) {
            std::string image = act == verify && r() % 2 ? chip : bytes(size);
            // A HEX or S-record file of a few bytes somewhere: as made, white space after it, joined to itself,
            // or on standard input read from past another one.
            if (r() % 3 == 0) {
                const std::uint32_t at = r() % size;
                const std::string patch = image.substr(at, 1 + r() % std::min<std::size_t>(40, size - at));
                const std::string made = r() % 2 ? "patch.s19" : "patch.hex";
                const auto load_file_of = [&](const std::string& bytes) {
                    dir.put("patch.bin", bytes);
                    return srec_cat(dir, "patch.bin -Binary -offset " + std::to_string(at) + " -execution-start-address 0 -o " +
                                             made + (made == "patch.hex" ? " -Intel" : " -Motorola")) ? dir.get(made) : "";
                };
                image = chip.substr(0, at) + patch + chip.substr(at + patch.size());
                name = std::array<std::string, 3>{made, "patch", "-"}[r() % 3];
                input = load_file_of(patch);
                const unsigned shape = r() % 4;
                input += shape == 1 ? " \t\n\n" : shape == 2 ? input : "";
                if ((joined = shape == 2)) name = made;
                if (shape == 3)
                    skipped = load_file_of(std::string(1, patch[0] ^ 0x5a) + patch.substr(1)), input = skipped + input, name = "-";
            } else {
                if (r() % 2) image = (LOOKALIKES[r() % std::size(LOOKALIKES)] + image).substr(0, size);
                name = std::array{"image.bin", "image", "-"}[r() % 3];
                input = image;
            }
            if (name != "-") dir.put(name, std::exchange(input, ""));
            matches = image == chip;
            if (act == write_) expected = image;
            args.insert(args.end(), {act == write_ ? "-w" : "-v", name});
        } else if (act == read) {
            name = r() % 2 ? "out.bin" : "-";
            if (trouble == stuck_reader) name = "fifo";
            args.insert(args.end(), {"-r", name});
        } else {
            args.push_back(act == erase ? "--erase" : "--blank-check");
        }
        const std::string image_before = act > verify || name == "-" ? "" : dir.get(name);
        const bool stamps = act == write_ && r() % 2;
        if (stamps) {
            const std::uint32_t at = static_cast<std::uint32_t>(r() % (size - 3));
            args.insert(args.end(), {"--serial", std::to_string(at) + ":4", "--serial-file", "serial.txt"});
            for (int i = 0; i < 4; ++i) expected[at + i] = static_cast<char>(std::stoul(serial) >> (8 * (3 - i)));
        }
        const bool logged = r() % 4 != 0;
        if (logged) args.insert(args.end(), {"--log", "log.csv"});

        dir.env.clear();
        if (trouble == refused_read && size == 128) {
            args[0] = "--port", args[1] = dir.use_fake_ppdev();
            dir.env.push_back("FAKE_PPDEV_ACK_LIMIT=" + std::to_string(r() % 12));
            dir.put("fake-chip.bin", chip);
        }
        if (trouble == stuck_reader && act != read) args.insert(args.end(), {"--trace", "fifo"});
        else if (trouble == full_trace) args.insert(args.end(), {"--trace", "/dev/full"});
        else if (r() % 4 == 0) args.insert(args.end(), {"--trace", "trace.vcd"});
        const int signal_number = std::array{SIGINT, SIGTERM, SIGHUP}[r() % 3];
        const rlim_t limit = r() % 4096;
        const int closed = act == read || name != "-";  // the descriptor "-" names, or else output
        dir.in_child = [trouble, limit, closed, skip = static_cast<off_t>(skipped.size())] {
            rlimit some{limit, limit};
            if (skip > 0) lseek(0, skip, SEEK_SET);  // a pipe (a signalled run's) is read whole, two files joined
            if (trouble == size_limit) setrlimit(RLIMIT_FSIZE, &some);
            if (trouble == closed_descriptor) close(closed);
        };
        unique_fd held;
        std::thread letting_go;
        if (trouble == held_log) {
            held.reset(open(dir.file("log.csv").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
            ASSERT_EQ(flock(held.get(), LOCK_EX), 0);
            letting_go = std::thread([&held, hold = std::chrono::milliseconds(r() % 100)] {
                std::this_thread::sleep_for(hold);
                held.reset();
            });
        }
        // A reader that stopped reading: a FIFO whose pipe is full, which the
        // test holds open and never drains.
        unique_fd stuck;
        if (trouble == stuck_reader) {
            ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
            stuck.reset(open(dir.file("fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
            for (const std::string block(4096, 'x'); write(stuck.get(), block.data(), block.size()) > 0;) continue;
        }
        const double when = std::uniform_real_distribution<double>(0, 1.5 * typical_seconds)(r);
        tool_run result = trouble == signalled || trouble == stuck_reader ? dir.run_signalled(args, input, [&](int pid) { return catches_signal(pid, signal_number); },
                                                                   when, signal_number)
                                               : dir.run(args, input);
        if (letting_go.joinable()) letting_go.join();
        if (args[0] == "--port") dir.put(chip_name, dir.get("fake-chip.bin"));
        if (stuck) unlink(dir.file("fifo").c_str());
        if (trouble != signalled && trouble != stuck_reader) typical_seconds = 0.9 * typical_seconds + 0.1 * result.seconds;

        std::string story = "run " + std::to_string(run) + ", fault " + std::to_string(trouble) + ":";
        for (const std::string& a : args) story += " " + a;
        SCOPED_TRACE(story + "\n" + result.err);
        ASSERT_FALSE(result.timed_out);
        ASSERT_EQ(result.signal, 0);
        const int status = result.status;
        const std::string chip_after = dir.get(chip_name);

        // The exit status is the truth.
        const std::string output = act != read ? "" : name == "-" ? result.out : dir.get("out.bin");
        const bool done = !joined && (act == write_ || act == erase ? chip_after == expected : act == read ? output == chip : matches);
        EXPECT_TRUE(status != 0 || done);
        EXPECT_TRUE((trouble != none && trouble != held_log) || (status == 0) == done);
        EXPECT_TRUE(trouble != none || act != write_ || joined || status == 0);  // white space after the end too
        EXPECT_TRUE(trouble != full_trace || status != 0);
        EXPECT_TRUE(trouble != closed_descriptor || name != "-" || status == 1);
        EXPECT_TRUE(trouble != signalled || status <= 2 || status == 128 + signal_number);
        EXPECT_TRUE(trouble != stuck_reader || (status == 128 + signal_number &&
                                                (result.err.find(" on a signal") != std::string::npos ||
                                                 result.err.find("Interrupted") != std::string::npos)));
        EXPECT_TRUE((act == write_ && !joined) || act == erase || chip_after == chip);

        // A serial number moves on only with a run that ended with 0, and
        // then stands on its chip.
        EXPECT_EQ(dir.get("serial.txt"), stamps && status == 0 ? std::to_string(std::stoul(serial) + 1) + "\n" : serial);

        // One whole line per run in the log, with the run's status (or none
        // and a line that said so; under a file size limit even that line
        // may be cut).
        std::string added = now("log.csv");
        ASSERT_EQ(added.compare(0, log.size(), log), 0);
        added.erase(0, log.size());
        if (added.starts_with(LOG_HEADER)) added.erase(0, LOG_HEADER.size());
        const std::size_t end = added.rfind(',', added.size() - 2);
        const bool one_line = added.ends_with('\n') && added.find('\n') == added.size() - 1 &&
                              std::atoi(added.substr(added.rfind(',', end - 1) + 1).c_str()) == status;
        const bool said_unwritten = added.empty() && status != 0 &&
                                    (trouble == size_limit || result.err.find("not written") != std::string::npos);
        EXPECT_TRUE(logged ? one_line || said_unwritten : added.empty()) << added;

        // No file partial or lost.
        EXPECT_TRUE(image_before.empty() || dir.get(name) == image_before);
        EXPECT_TRUE(act != read || name == "-" || !dir.exists("out.bin") || output == chip || output == out_before);
        for (const std::string& file : dir.names()) EXPECT_NE(file[0], '.') << file;
    }
}

}  // namespace
