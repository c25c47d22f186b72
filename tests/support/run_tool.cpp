// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/run_tool.h"

#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "util/unique_fd.h"

#ifndef EEPROM_TOOL_PATH
#error "EEPROM_TOOL_PATH must name the built binary"
#endif
#ifndef FAKE_PPDEV_PATH
#error "FAKE_PPDEV_PATH must name the fake ppdev library"
#endif
#ifndef FAKE_I2CDEV_LIBRARY
#error "FAKE_I2CDEV_LIBRARY must name the fake i2c-dev library"
#endif
#ifndef CH341_BED_PATH
#error "CH341_BED_PATH must name the USB test bed"
#endif

using namespace eeprom24c01;
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void remove_tree(const std::string& path) {
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string child = path + "/" + name;
            struct stat info {};
            if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) remove_tree(child);
            else unlink(child.c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

// Both ends of a raw pseudo-terminal, closed on exec; the master end does
// not block.
void open_terminal(unique_fd& master, unique_fd& slave) {
    int m = -1, s = -1;
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&m, &s, nullptr, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
    master.reset(m);
    slave.reset(s);
    fcntl(m, F_SETFD, FD_CLOEXEC);
    fcntl(s, F_SETFD, FD_CLOEXEC);
    fcntl(m, F_SETFL, O_NONBLOCK);
}

// What the tool has put on the terminal so far.
void drain(const unique_fd& master, std::string& into) {
    char chunk[4096];
    ssize_t n;
    while (master && (n = read(master.get(), chunk, sizeof chunk)) > 0) into.append(chunk, static_cast<std::size_t>(n));
}

}  // namespace

bool catches_signal(int pid, int signal_number) {
    std::istringstream status(slurp("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal_number - 1)) & 1;
    return false;
}

tool_dir::tool_dir() {
    char pattern[] = "/tmp/eeprom24c01-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    chmod(path_.c_str(), 0777);  // an unprivileged run must be able to create files
}

tool_dir::~tool_dir() { remove_tree(path_); }

void tool_dir::put(const std::string& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string tool_dir::get(const std::string& name) const { return slurp(file(name)); }

bool tool_dir::exists(const std::string& name) const { return access(file(name).c_str(), F_OK) == 0; }

std::vector<std::string> tool_dir::names() const {
    std::vector<std::string> result;
    if (DIR* dir = opendir(path_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") result.push_back(name);
        }
        closedir(dir);
    }
    return result;
}

tool_run tool_dir::run(const std::vector<std::string>& args, const std::string& input, bool as_unprivileged,
                       int timeout_seconds) const {
    return launch(args, input, as_unprivileged, timeout_seconds, nullptr);
}

tool_run tool_dir::run_paused(const std::vector<std::string>& args, const std::string& wait_for,
                              const std::function<void()>& meanwhile, const std::string& input,
                              const std::string& lead_input) const {
    pause p{lead_input, wait_for, meanwhile, nullptr};
    return launch(args, input, false, 60, &p);
}

tool_run tool_dir::run_signalled(const std::vector<std::string>& args, const std::string& input,
                                 const std::function<bool()>& ready, double after_seconds, int signal_number) const {
    return run_signalled(args, input, [&ready](int) { return ready(); }, after_seconds, signal_number);
}

tool_run tool_dir::run_signalled(const std::vector<std::string>& args, const std::string& input,
                                 const std::function<bool(int)>& ready, double after_seconds, int signal_number) const {
    pause p{"", "", [] {}, [&](int pid) {
                auto began = std::chrono::steady_clock::now();
                while (!ready(pid) && std::chrono::steady_clock::now() - began < std::chrono::seconds(20))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::duration<double>(after_seconds));
                kill(pid, signal_number);
            }};
    return launch(args, input, false, 60, &p);
}

std::string tool_dir::use_fake_ppdev(const std::string& fail, const std::string& name) {
    std::string device = file(name);  // never a real port
    env = {"LD_PRELOAD=" FAKE_PPDEV_PATH,   "FAKE_PPDEV_PATH=" + device, "FAKE_PPDEV_CHIP=" + file("fake-chip.bin"),
           "FAKE_PPDEV_LOG=" + file("fake.log"), "FAKE_PPDEV_FAIL=" + fail,
           "FAKE_PPDEV_QUEUE=" + file("fake-queue"),
           // The preloaded fake comes before the sanitizer runtime of the
           // instrumented build, which is harmless here.
           "ASAN_OPTIONS=verify_asan_link_order=0"};
    return device;
}

std::string tool_dir::use_fake_i2cdev(const std::string& part, const std::vector<std::string>& settings) {
    std::string device = file("i2c-7");  // never a real adapter
    env = {"LD_PRELOAD=" FAKE_I2CDEV_LIBRARY, "FAKE_I2CDEV_PATH=" + device, "FAKE_I2CDEV_CHIP=" + file("fake-chip.bin"),
           "FAKE_I2CDEV_LOG=" + file("fake.log"), "FAKE_I2CDEV_PART=" + part, "ASAN_OPTIONS=verify_asan_link_order=0"};
    for (const std::string& setting : settings) env.push_back("FAKE_I2CDEV_" + setting);
    return device;
}

void tool_dir::use_ch341_bed(const std::string& part, const std::vector<std::string>& settings) {
    env = {"CH341_BED_PART=" + part, "CH341_BED_CHIP=" + file("fake-chip.bin"), "CH341_BED_LOG=" + file("fake.log"),
           // umockdev's preload comes before the sanitizer runtime.
           "ASAN_OPTIONS=verify_asan_link_order=0"};
    for (const std::string& setting : settings) env.push_back("CH341_BED_" + setting);
    wrapper = {CH341_BED_PATH};
}

void tool_dir::use_slow_chip(int ms, const std::string& ending) {
    env = {"LD_PRELOAD=" SLOW_CHIP_LIBRARY, "SLOW_CHIP_MS=" + std::to_string(ms), "SLOW_CHIP_ENDING=" + ending,
           "ASAN_OPTIONS=verify_asan_link_order=0"};
}

tool_run tool_dir::launch(const std::vector<std::string>& args, const std::string& input, bool as_unprivileged,
                          int timeout_seconds, const pause* paused) const {
    // Kept outside the tool's directory so they never show among its files.
    char scratch[] = "/tmp/eeprom24c01-io-XXXXXX";
    if (!mkdtemp(scratch)) throw std::runtime_error("mkdtemp failed");
    std::string io = scratch;
    std::string in_path = io + "/in", out_path = io + "/out", err_path = io + "/err";
    {
        std::ofstream in(in_path, std::ios::binary);
        in << input;
    }
    std::vector<std::string> command = wrapper;
    command.push_back(EEPROM_TOOL_PATH);
    bool drop_privilege = as_unprivileged && geteuid() == 0;
    if (drop_privilege) {
        // The build tree may sit where user nobody cannot reach it.
        chmod(io.c_str(), 0755);
        for (std::string& program : command) {
            std::string copy = io + "/" + program.substr(program.rfind('/') + 1);
            std::ofstream(copy, std::ios::binary) << std::ifstream(program, std::ios::binary).rdbuf();
            chmod(copy.c_str(), 0755);
            program = copy;
        }
    }
    unique_fd terminal, terminal_end;
    if (stderr_on_terminal) open_terminal(terminal, terminal_end);
    int pipe_ends[2] = {-1, -1};
    if (paused && pipe(pipe_ends) != 0) throw std::runtime_error("pipe failed");
    auto began = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        int in = paused ? pipe_ends[0] : open(in_path.c_str(), O_RDONLY);
        if (paused) close(pipe_ends[1]);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int err = terminal_end ? terminal_end.get() : open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(path_.c_str()) != 0) _exit(126);
        if (drop_privilege) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
        }
        for (const auto& setting : env) putenv(const_cast<char*>(setting.c_str()));
        if (in_child) in_child();
        std::vector<char*> argv;
        std::vector<std::string> copies = command;
        copies.insert(copies.end(), args.begin(), args.end());
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    terminal_end.reset();
    std::string on_terminal;
    if (paused) {
        close(pipe_ends[0]);
        signal(SIGPIPE, SIG_IGN);  // the tool may end before it reads everything
        auto send = [&](const std::string& bytes) {
            for (std::size_t done = 0; done < bytes.size();) {
                ssize_t n = write(pipe_ends[1], bytes.data() + done, bytes.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
        };
        send(paused->lead_input);
        while (slurp(out_path).find(paused->wait_for) == std::string::npos &&
               std::chrono::steady_clock::now() - began < std::chrono::seconds(timeout_seconds))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        paused->meanwhile();
        send(input);
        if (paused->after_input) paused->after_input(child);
        close(pipe_ends[1]);
    }
    tool_run result;
    int wait_status = 0;
    for (;;) {
        pid_t done = waitpid(child, &wait_status, WNOHANG);
        drain(terminal, on_terminal);
        if (done == child) break;
        if (std::chrono::steady_clock::now() - began > std::chrono::seconds(timeout_seconds)) {
            kill(child, SIGKILL);
            waitpid(child, &wait_status, 0);
            result.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!result.timed_out && WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    if (!result.timed_out && WIFSIGNALED(wait_status)) result.signal = WTERMSIG(wait_status);
    result.out = slurp(out_path);
    drain(terminal, on_terminal);
    result.err = terminal ? on_terminal : slurp(err_path);
    remove_tree(io);
    return result;
}
