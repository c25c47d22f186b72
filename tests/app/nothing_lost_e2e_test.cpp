// SPDX-License-Identifier: GPL-3.0-or-later
// However the tool is started, fed or stopped: nothing reported that did not
// happen, and no file lost. Through the built binary on the simulated board
// or the fake ppdev driver.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

const std::string HELD_LOW = "SDA stays low when released: the board may have no power, or SDA is held to ground.\n";

std::vector<std::string> sim(std::initializer_list<std::string> more) {
    std::vector<std::string> args{"--sim", "chip.bin"};
    args.insert(args.end(), more);
    return args;
}

void redirect(int fd, const char* path, int flags) {
    int opened = open(path, flags);
    if (opened >= 0) dup2(opened, fd);
}

TEST(NothingLost, MenuRefusesABoardWithoutPowerBeforeItsTraffic) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev("status=0x00");
    dir.put("dflt.dat", counting_image(0x10));
    dir.put("other.bin", counting_image(0x30));
    dir.put("fake-chip.bin", counting_image(0x70));
    tool_run r = dir.run({"--port", device}, "\n4 other.bin\n1\n5\n6\n7\n3 saved.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image(0x10)) + "Enter the name of file to read.\n" +
                         dump_text(counting_image(0x30)) + MENU_TEXT + repeat(HELD_LOW + MENU_TEXT, 4) +
                         "Enter the name of file to save.\n" + MENU_TEXT);
    EXPECT_EQ(dir.get("fake-chip.bin"), counting_image(0x70));
    EXPECT_EQ(dir.get("saved.bin"), counting_image(0x30)) << "the image changed";
}

TEST(NothingLost, StandardDescriptorsClosedOrFull) {
    tool_dir dir;
    dir.put("image.bin", counting_image(7));
    dir.put("chip.bin", counting_image());
    dir.put("dflt.dat", counting_image());
    dir.in_child = [] { close(2); };
    EXPECT_EQ(dir.run(sim({"-w", "image.bin"}), "").status, 0);
    EXPECT_EQ(dir.get("chip.bin"), counting_image(7));
    dir.in_child = [] { close(1); };
    EXPECT_EQ(dir.run(sim({}), "\n8\n").status, 0);
    EXPECT_EQ(dir.get("chip.bin"), counting_image(7));
    dir.in_child = [] { close(0); };
    tool_run r = dir.run(sim({"-v", "-"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Standard input was closed when the tool started: there is no image to read; nothing was done.\n");

    dir.in_child = [] { redirect(1, "/dev/full", O_WRONLY); };
    r = dir.run(sim({"-r", "-"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write standard output: No space left on device.\n");
    r = dir.run(sim({}), "\n8\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("eeprom24c01: cannot write standard output", 0), 0u) << r.err;
    dir.in_child = [] {
        int ends[2];
        if (pipe(ends) == 0 && close(ends[0]) == 0) dup2(ends[1], 1);
        signal(SIGPIPE, SIG_DFL);
    };
    EXPECT_EQ(dir.run(sim({"-r", "-"}), "").signal, SIGPIPE);
    EXPECT_EQ(dir.get("chip.bin"), counting_image(7));
}

TEST(NothingLost, ReadTargetsAreWrittenAsByARedirection) {
    tool_dir dir;
    const std::string image = counting_image(5);
    dir.put("chip.bin", image);
    dir.put("real.bin", "old");
    ASSERT_EQ(symlink("real.bin", dir.file("link.bin").c_str()), 0);
    dir.put("one.bin", "old");
    ASSERT_EQ(link(dir.file("one.bin").c_str(), dir.file("two.bin").c_str()), 0);
    dir.put("kept.bin", "old");
    chmod(dir.file("kept.bin").c_str(), 0640);
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    // The tool is forked only once the reader waits in its open: a fork while
    // the new thread held an allocator's lock (the sanitizer's, as it starts)
    // would leave the child stuck before its exec.
    const std::string fifo = dir.file("fifo");
    char received[4096];
    std::size_t got = 0;
    std::atomic<bool> opening = false;
    std::thread reader([&] {
        opening = true;
        int fd = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        for (ssize_t n; got < sizeof received && (n = read(fd, received + got, sizeof received - got)) > 0;)
            got += static_cast<std::size_t>(n);
        close(fd);
    });
    while (!opening) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const std::string& name : {std::string("link.bin"), std::string("one.bin"), std::string("kept.bin"),
                                    std::string("fifo"), std::string(250, 'n')}) {
        tool_run r = dir.run(sim({"-r", name}), "");
        EXPECT_EQ(r.status, 0) << name << ": signal " << r.signal << (r.timed_out ? ", timed out" : "");
        EXPECT_EQ(r.err, "Read 128 bytes into " + name + ".\n" + crc_line(dir.get("chip.bin")));
    }
    reader.join();
    const std::string piped(received, got);
    struct stat info {};
    EXPECT_TRUE(lstat(dir.file("link.bin").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_TRUE(lstat(dir.file("fifo").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(stat(dir.file("kept.bin").c_str(), &info) == 0 && (info.st_mode & 07777) == 0640);
    for (const char* name : {"real.bin", "one.bin", "two.bin", "kept.bin"}) EXPECT_EQ(dir.get(name), image) << name;
    EXPECT_EQ(piped, image);
    EXPECT_EQ(dir.get(std::string(250, 'n')), image);
    tool_run r = dir.run(sim({"-r", "/dev/stdout"}), "");
    EXPECT_EQ(r.out, image);
    dir.put("one.bin", "old");  // and so two.bin, the same file
    dir.in_child = [] {
        rlimit some{100, 100};  // no room for the image: both names keep what they held
        setrlimit(RLIMIT_FSIZE, &some);
    };
    r = dir.run(sim({"-r", "one.bin"}), "");
    EXPECT_EQ(r.err, "Cannot write one.bin: File too large; it is left as it was.\n");
    for (const char* name : {"one.bin", "two.bin"}) EXPECT_EQ(dir.get(name), "old") << name;
    dir.in_child = nullptr;

    dir.put("ro.bin", "old");
    chmod(dir.file("ro.bin").c_str(), 0444);
    const std::vector<std::pair<std::string, std::string>> refused{
        {".", "Cannot write .: it is a folder.\n"},
        {"ro.bin", "Cannot write ro.bin: Permission denied; it is left as it was.\n"},
        {"no-folder/new.bin", "Cannot write no-folder/new.bin: No such file or directory.\n"},
    };
    for (const auto& [name, err] : refused) {
        r = dir.run(sim({"-r", name}), "");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, err);
    }
    EXPECT_EQ(dir.get("ro.bin"), "old");
    EXPECT_EQ(dir.names().size(), 9u) << "a temporary file was left behind";
}

TEST(NothingLost, NoOutputOverwritesAnInputOrTheChip) {
    tool_dir dir;
    dir.put("chip.bin", counting_image(1));
    dir.put("image.bin", counting_image(2));
    ASSERT_EQ(symlink("chip.bin", dir.file("alias.bin").c_str()), 0);
    const std::vector<std::vector<std::string>> same{
        {"--trace", "image.bin", "--sim", "chip.bin", "-w", "image.bin"},
        {"--trace", "alias.bin", "--sim", "chip.bin", "--check"},
        {"--sim", "chip.bin", "-r", "alias.bin"},
        {"--trace", "new.vcd", "--sim", "chip.bin", "-r", "new.vcd"},
        {"--trace", "-", "--sim", "chip.bin", "-r", "-"},
    };
    for (const auto& args : same) {
        tool_run r = dir.run(args, "");
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(" name the same file: give each its own\n"), std::string::npos) << r.err;
    }
    EXPECT_EQ(dir.get("chip.bin"), counting_image(1));
    EXPECT_EQ(dir.get("image.bin"), counting_image(2));
    EXPECT_FALSE(dir.exists("new.vcd"));
    // "-" is whatever file the shell put behind descriptor 1 or 0.
    dir.put("out.bin", "");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> redirected{
        {{"--sim", "chip.bin", "-r", "-"}, 1, "chip.bin"},
        {{"--trace", "/dev/stdout", "--sim", "chip.bin", "-r", "-"}, 1, "out.bin"},
        {{"--trace", "/proc/self/fd/1", "--sim", "chip.bin", "-r", "-"}, 1, "out.bin"},
        {{"--sim", "chip.bin", "-w", "-"}, 0, "chip.bin"},
        {{"--trace", "/dev/null", "--sim", "chip.bin", "-r", "-"}, 1, "/dev/null"},
    };
    for (const auto& [args, fd, file] : redirected) {
        std::string path = file[0] == '/' ? file : dir.file(file);
        dir.in_child = [fd, path] { redirect(fd, path.c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_APPEND); };
        tool_run r = dir.run(args, "");
        if (file[0] == '/') {
            EXPECT_EQ(r.status, 0) << "a device may well be shared: " << r.err;
            continue;
        }
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(" name the same file: give each its own\n"), std::string::npos) << r.err;
    }
    dir.in_child = nullptr;
    EXPECT_EQ(dir.get("out.bin"), "");

    // Nor does the menu's: its default image is no chip, and a save does not
    // go to the chip's file under any name.
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run({"--sim", "dflt.dat"}, "\n2\n0\n55\ny\n1\n8\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "eeprom24c01: --sim names the menu's default image dflt.dat: give the chip a file of its own.\n");
    EXPECT_EQ(dir.get("dflt.dat"), counting_image());
    r = dir.run({"--sim", "chip.bin"}, "\n3 alias.bin\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + "Enter the name of file to save.\nOpen failed: that is the "
                     "simulated chip's file; save the buffer under another name.\n" + MENU_TEXT);

    // A menu holds chip.bin as its chip: another tool may not replace it.
    dir.put("other.bin", counting_image(3));
    tool_run second;
    dir.run_paused({"--sim", "chip.bin"}, "Push ENTER", [&] { second = dir.run({"--sim", "other.bin", "-r", "chip.bin"}, ""); },
                   "\n8\n");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "Cannot write chip.bin: another running program holds it locked, such as an eeprom24c01 "
                          "using it as its chip; it is left as it was.\n");
    EXPECT_EQ(dir.get("chip.bin"), counting_image(1));
}

TEST(NothingLost, TraceAndChipFileThatCannotBeWrittenFailTheAction) {
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    tool_run r = dir.run(sim({"--trace", "/dev/full", "--check"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(r.err.find("high.\n") + 6), "eeprom24c01: cannot write the trace: No space left on device.\n");
    r = dir.run(sim({"--trace", "-", "--check"}), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("$version eeprom24c01 bus trace $end\n", 0), 0u);
    dir.in_child = [] { redirect(1, "/dev/full", O_WRONLY); };
    r = dir.run(sim({"--trace", "-", "--check"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(r.err.find("high.\n") + 6), "eeprom24c01: cannot write standard output: No space left on device.\n");
    dir.in_child = nullptr;
    r = dir.run({"--trace", "no-folder/bus.vcd", "--sim", "new.bin", "--check"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "eeprom24c01: cannot write trace no-folder/bus.vcd: No such file or directory.\n");

    dir.put("image.bin", counting_image(9));
    dir.in_child = [] {
        rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none);
    };
    r = dir.run(sim({"-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "") << "not even the failure fits under the limit";
    dir.in_child = [] {
        rlimit some{100, 100};  // a message fits, the chip's 128 bytes do not
        setrlimit(RLIMIT_FSIZE, &some);
    };
    r = dir.run(sim({"-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Could not save the simulated chip to chip.bin: File too large.\n");
}

// The reader of the trace goes away part way through a write, as head -c
// does: the write ends as for any other signal and what it wrote is kept.
TEST(NothingLost, BrokenPipeDuringAWriteKeepsWhatWasWritten) {
    tool_dir dir;
    dir.put("chip.bin", std::string(128, '\0'));
    dir.put("image.bin", counting_image(1));
    dir.in_child = [] {
        int ends[2];
        if (pipe(ends) != 0) return;
        if (fork() == 0) {
            close(ends[1]);
            char buffer[4096];
            for (ssize_t taken = 0, got = 1; taken < 300000 && got > 0; taken += got)
                got = read(ends[0], buffer, sizeof buffer);
            _exit(0);
        }
        dup2(ends[1], 1);
        close(ends[0]);
        close(ends[1]);
        signal(SIGPIPE, SIG_DFL);
    };
    tool_run r = dir.run(sim({"--all", "--trace", "-", "-w", "image.bin"}), "");
    EXPECT_EQ(r.status, 141);
    const std::string head = "Interrupted while writing after ";
    ASSERT_EQ(r.err.rfind(head, 0), 0u) << r.err;
    int written = std::stoi(r.err.substr(head.size()));
    EXPECT_EQ(r.err, head + std::to_string(written) +
                         " of 128 bytes; the rest not written.\neeprom24c01: cannot write standard output: Broken pipe.\n");
    ASSERT_GT(written, 0);
    EXPECT_EQ(dir.get("chip.bin"), counting_image(1).substr(0, written) + std::string(128 - written, '\0'));
}

TEST(NothingLost, HangupAndQuitEndAWriteCleanlyAndIgnoredSignalsStayIgnored) {
    for (auto [signal_number, status] : {std::pair{SIGHUP, 129}, std::pair{SIGQUIT, 131}, std::pair{SIGINT, 0}}) {
        tool_dir dir;
        std::string device = dir.use_fake_ppdev();
        dir.put("dflt.dat", counting_image());
        if (signal_number == SIGINT) dir.in_child = [] { signal(SIGINT, SIG_IGN); };  // as under nohup or trap '' INT
        auto claimed = [&] { return dir.get("fake.log").find("claim") != std::string::npos; };
        tool_run r = dir.run_signalled({"--port", device}, "\n1\n8\n", claimed, 0.2, signal_number);
        EXPECT_EQ(r.status, status);
        std::string chip = dir.get("fake-chip.bin");
        if (status == 0) {
            EXPECT_EQ(chip, counting_image());
            continue;
        }
        std::string head = startup_text(counting_image()) + "Interrupted after ";
        ASSERT_EQ(r.out.rfind(head, 0), 0u) << r.out;
        int written = std::stoi(r.out.substr(head.size()));
        EXPECT_GT(written, 0);
        EXPECT_EQ(chip.substr(0, written), counting_image().substr(0, written)) << "written bytes lost";
    }
}

TEST(NothingLost, EndlessImagesAreReadNoFurtherThanTheLoadFileBound) {
    tool_dir dir;
    dir.put("chip.bin", counting_image());
    tool_run r = dir.run(sim({"-w", "/dev/zero"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "/dev/zero is larger than 4 MiB, which no 24Cxx image is.\n");
    dir.in_child = [] { redirect(0, "/dev/urandom", O_RDONLY); };
    r = dir.run(sim({"-v", "-"}), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "standard input is larger than 4 MiB, which no 24Cxx image is.\n");
    EXPECT_EQ(dir.get("chip.bin"), counting_image());
}

TEST(NothingLost, MessagesNameTheTrueCause) {
    tool_dir dir;
    mkdir(dir.file("shut").c_str(), 0555);
    tool_run r = dir.run({"--sim", "shut/chip.bin", "--check"}, "", true);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "eeprom24c01: Chip file shut/chip.bin cannot be created (Permission denied); nothing was made: "
                     "name another file.\n");
    r = dir.run({"--sim", "chp.bin", "-r", "backup.bin"}, "");
    EXPECT_EQ(r.err, "Created a blank simulated chip in chp.bin.\nRead 128 bytes into backup.bin.\n" +
                         crc_line(std::string(128, '\xff')));
    r = dir.run({"--sim", "chp.bin", "-r", "new\n\x1b[2Jname"}, "");
    EXPECT_EQ(r.err, "Read 128 bytes into new\\n\\x1b[2Jname.\n" + crc_line(std::string(128, '\xff')));
    EXPECT_TRUE(dir.exists("new\n\x1b[2Jname"));
    // The folder, not the writable file, keeps the temporary file out.
    mkdir(dir.file("nw").c_str(), 0755);
    dir.put("nw/f", "old");
    chmod(dir.file("nw/f").c_str(), 0666);
    chmod(dir.file("nw").c_str(), 0555);
    chmod(dir.file("chp.bin").c_str(), 0666);
    r = dir.run({"--sim", "chp.bin", "-r", "nw/f"}, "", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write nw/f: no temporary file can be made in its folder nw (Permission denied); it is left "
                     "as it was.\n");
    EXPECT_EQ(dir.get("nw/f"), "old");
    // A run refused for its image or its default image makes no chip file.
    r = dir.run({"--sim", "new.bin", "-w", "missing.bin"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read missing.bin: No such file or directory.\n");
    mkdir(dir.file("dflt.dat").c_str(), 0755);
    r = dir.run({"--sim", "new.bin"}, "\n8\n");
    EXPECT_EQ(r.out, "file open failed. \n");
    EXPECT_FALSE(dir.exists("new.bin"));
}

}  // namespace
