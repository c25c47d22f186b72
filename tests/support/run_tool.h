// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built eeprom24c01 in a fresh temporary directory with scripted
// standard input, for end-to-end tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct tool_run {
    std::string out;
    std::string err;
    int status = -1;         // exit status, or -1 if it did not exit normally
    int signal = 0;          // the signal that ended it, if one did
    bool timed_out = false;
    double seconds = 0;      // real time taken
};

// Whether process pid has a handler of its own for signal_number.
bool catches_signal(int pid, int signal_number);

class tool_dir {
public:
    tool_dir();
    ~tool_dir();
    tool_dir(const tool_dir&) = delete;
    tool_dir& operator=(const tool_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void put(const std::string& name, const std::string& bytes) const;
    std::string get(const std::string& name) const;
    bool exists(const std::string& name) const;
    std::vector<std::string> names() const;

    // Runs the tool here. as_unprivileged drops to user nobody first, so that
    // file permissions hold even when the tests run as root.
    tool_run run(const std::vector<std::string>& args, const std::string& input, bool as_unprivileged = false,
                 int timeout_seconds = 60) const;
    // Runs the tool with its input on a pipe that holds only lead_input
    // until the output shows wait_for; then meanwhile() runs and the input
    // follows.
    tool_run run_paused(const std::vector<std::string>& args, const std::string& wait_for,
                        const std::function<void()>& meanwhile, const std::string& input,
                        const std::string& lead_input = "") const;
    // Runs the tool with all of input and, once ready() (or ready(its
    // process id)) holds, waits the given time and sends it signal_number.
    tool_run run_signalled(const std::vector<std::string>& args, const std::string& input,
                           const std::function<bool()>& ready, double after_seconds, int signal_number) const;
    tool_run run_signalled(const std::vector<std::string>& args, const std::string& input,
                           const std::function<bool(int)>& ready, double after_seconds, int signal_number) const;

    // "NAME=value" settings for the tool's environment.
    std::vector<std::string> env;
    // Runs put the tool's standard error on a pseudo-terminal (raw, so its
    // bytes arrive as written), as a person at a console has it; err
    // receives them.
    bool stderr_on_terminal = false;
    // Runs in the tool's process just before it starts: closes a standard
    // descriptor, ignores a signal, sets a limit.
    std::function<void()> in_child;
    // Puts the fake ppdev driver under the tool: the device path it answers
    // for (returned), called name, its chip file "fake-chip.bin", its log
    // "fake.log" and the port's wait list "fake-queue", here; fail as
    // FAKE_PPDEV_FAIL.
    std::string use_fake_ppdev(const std::string& fail = "", const std::string& name = "parport-fake");
    // Puts the fake i2c-dev driver under the tool: the adapter path it
    // answers for (returned, "i2c-7" here), its chip of part in
    // "fake-chip.bin" and its log "fake.log"; settings are further
    // FAKE_I2CDEV_ values without the prefix, such as "FUNCS=smbus".
    std::string use_fake_i2cdev(const std::string& part, const std::vector<std::string>& settings = {});
    // Runs the tool in the USB test bed (support/ch341_bed.cpp): a CH341A
    // with a chip of part in "fake-chip.bin" and its log "fake.log" here;
    // settings are further CH341_BED_ values without the prefix, such as
    // "PROGRAMMERS=2".
    void use_ch341_bed(const std::string& part, const std::vector<std::string>& settings = {});
    // A program the tool runs under: its path and arguments, before the tool's.
    std::vector<std::string> wrapper;
    // Makes each save of a simulated chip file named *ending take ms of real
    // time, as a real board's write cycles do.
    void use_slow_chip(int ms, const std::string& ending = ".bin");

private:
    struct pause {
        std::string lead_input;
        std::string wait_for;
        std::function<void()> meanwhile;
        std::function<void(int)> after_input;  // given the tool's process id
    };
    tool_run launch(const std::vector<std::string>& args, const std::string& input, bool as_unprivileged,
                    int timeout_seconds, const pause* paused) const;
    std::string path_;
};
