// SPDX-License-Identifier: GPL-3.0-or-later
// Stations of a production line side by side: the built tool on simulated
// boards whose writes take real time, all sharing one serial file and one
// log, with boards failing at random (an empty socket, a signal, a full
// log). Whatever happens, no number is on two passed boards, every number
// below the file's next one is on one passed board or given back, the log
// names every board's number, and the stations did not wait on each other.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "production/production_log.h"
#include "production/serial_file.h"
#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

constexpr int STATIONS = 8, BOARDS = 3, WRITE_MS = 1000;
enum fault { none, empty_socket, signalled, full_log };

struct board_run {
    std::string chip;
    fault trouble = none;
    double signal_after = 0;
    tool_run result;
    std::string chip_after;
};

void run_board(tool_dir& dir, const tool_dir& shared, board_run& board) {
    std::vector<std::string> args{"--sim", board.chip, "-w", shared.file("image.bin"), "--serial", "0x10:4",
                                  "--serial-file", shared.file("serial.txt"), "--log", shared.file("log.csv")};
    if (board.trouble == empty_socket) args.push_back("--no-chip");
    // A log that may not grow: the file size limit is its size as the board starts.
    dir.in_child = board.trouble != full_log ? std::function<void()>() : [log = shared.file("log.csv")] {
        struct stat info {};
        stat(log.c_str(), &info);
        rlimit limit{static_cast<rlim_t>(info.st_size), static_cast<rlim_t>(info.st_size)};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    board.result = board.trouble == signalled
                       ? dir.run_signalled(args, "", [](int pid) { return catches_signal(pid, SIGTERM); },
                                           board.signal_after, SIGTERM)
                       : dir.run(args, "");
    board.chip_after = dir.exists(board.chip) ? dir.get(board.chip) : "";
}

TEST(Stations, RunSideBySideAndAccountForEveryNumber) {
    std::mt19937 r(20261209);
    tool_dir shared;
    shared.put("image.bin", counting_image());
    shared.put("serial.txt", "1000\n");

    // One board alone, with its own files, for the time one takes.
    tool_dir alone;
    alone.use_slow_chip(WRITE_MS);
    board_run solo{"solo.bin", none, 0, {}, {}};
    run_board(alone, alone, (alone.put("image.bin", counting_image()), alone.put("serial.txt", "1\n"), solo));
    ASSERT_EQ(solo.result.status, 0) << solo.result.err;
    const double one = solo.result.seconds;

    std::vector<std::vector<board_run>> stations(STATIONS);
    for (int s = 0; s < STATIONS; ++s)
        for (int b = 0; b < BOARDS; ++b)
            stations[s].push_back({"board-" + std::to_string(s * BOARDS + b) + ".bin",
                                   r() % 2 ? none : static_cast<fault>(r() % 4),
                                   std::uniform_real_distribution<double>(0, 1.2 * one)(r), {}, {}});
    const auto began = std::chrono::steady_clock::now();
    std::vector<std::thread> running;
    for (auto& boards : stations)
        running.emplace_back([&shared, &boards] {
            tool_dir dir;
            dir.use_slow_chip(WRITE_MS);
            for (board_run& board : boards) run_board(dir, shared, board);
        });
    for (std::thread& t : running) t.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    // The log's lines by board ("the simulated board (board-3.bin)"): serial number and exit status. No field
    // before the outcome holds a comma.
    std::map<std::string, std::pair<std::string, int>> logged;
    std::istringstream lines(shared.get("log.csv").substr(LOG_HEADER.size()));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
        const std::string chip = fields[2].substr(fields[2].find('(') + 1, fields[2].size() - fields[2].find('(') - 2);
        EXPECT_TRUE(logged.emplace(chip, std::pair(fields[6], std::stoi(fields[fields.size() - 2]))).second) << line;
    }

    std::set<std::uint64_t> passed;
    for (const auto& boards : stations)
        for (const board_run& board : boards) {
            SCOPED_TRACE(board.chip + ", fault " + std::to_string(board.trouble) + "\n" + board.result.err);
            ASSERT_FALSE(board.result.timed_out);
            const int status = board.result.status;
            EXPECT_TRUE(status == 0 || status == 1 || status == 128 + SIGTERM);
            EXPECT_TRUE(board.trouble != none || status == 0);
            EXPECT_TRUE(board.trouble != empty_socket || status == 1);
            // Only a full log may leave a board without its line.
            const auto line_of = logged.find(board.chip);
            ASSERT_TRUE(line_of != logged.end() || (board.trouble == full_log && status == 1));
            EXPECT_TRUE(line_of == logged.end() || line_of->second.second == status);
            if (line_of == logged.end() || status != 0) continue;
            EXPECT_EQ(line_of->second.first, std::to_string(serial_in(board.chip_after)));
            EXPECT_TRUE(passed.insert(serial_in(board.chip_after)).second) << "a number on two passed boards";
        }

    // Every number below the next one: on one passed board, or given back.
    serial_numbers file;
    ASSERT_EQ(read_serial_numbers(shared.get("serial.txt"), file), "");
    for (std::uint64_t n = 1000; n < file.next; ++n)
        EXPECT_NE(passed.count(n), file.given_back.count(n)) << "number " << n;
    EXPECT_TRUE(passed.empty() || *passed.rbegin() < file.next);

    // Side by side: far less than the boards one after another.
    std::printf("%d stations, %d boards each: %.2f s; one board alone %.2f s\n", STATIONS, BOARDS, wall, one);
    EXPECT_LT(wall, 0.5 * STATIONS * BOARDS * one);
}

}  // namespace
