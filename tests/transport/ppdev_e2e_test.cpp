// SPDX-License-Identifier: GPL-3.0-or-later
// The real ppdev back end, driven through the fake ppdev driver on the
// simulated chip, with the built tool and its real-time pacing.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <sstream>

#include "support/expected_output.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
namespace {

// The fields of each "release" line of the fake's log, in order.
std::vector<std::map<std::string, std::string>> releases(const std::string& log) {
    std::vector<std::map<std::string, std::string>> found;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("release ", 0) != 0) continue;
        std::map<std::string, std::string> fields;
        std::istringstream words(line.substr(8));
        for (std::string word; words >> word;) fields[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
        found.push_back(fields);
    }
    return found;
}

long number(const std::map<std::string, std::string>& fields, const char* name) { return std::stol(fields.at(name)); }

// Both lines high after a stop, every write followed by at least 5 us, and
// not one access outside the claim.
void expect_idle_and_paced(const std::map<std::string, std::string>& release) {
    EXPECT_EQ(release.at("last"), "stop");
    EXPECT_EQ(release.at("scl"), "1");
    EXPECT_EQ(release.at("sda"), "1");
    EXPECT_GE(number(release, "min_gap_ns"), 5000);
    EXPECT_EQ(number(release, "unclaimed"), 0);
}

TEST(Ppdev, WriteAndVerifyRoundTripWithAClaimPerActionAndOneIoctlPerAccess) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev();
    dir.put("dflt.dat", counting_image(0x40));
    tool_run r = dir.run({"--port", device}, "\n1 6\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image(0x40)) + MENU_TEXT + VERIFY_ALL_OK + MENU_TEXT);
    EXPECT_EQ(dir.get("fake-chip.bin"), counting_image(0x40));
    std::string log = dir.get("fake.log");
    EXPECT_EQ(log.find("exclusive"), std::string::npos) << log;
    EXPECT_EQ(log.rfind("open " + device + "\nclaim\nrelease", 0), 0u) << log;
    auto claims = releases(log);
    ASSERT_EQ(claims.size(), 2u) << log;
    // Each action opens with the line test: 4 writes and 2 reads. A write:
    // 30 writes and a read per poll attempt, then per byte the acknowledged
    // poll's last write and 59 more; the final stop and idle.
    EXPECT_EQ(number(claims[0], "writes"), 4 + 30 * (number(claims[0], "reads") - 2) + 128 * 60 + 1 + 5 + 2);
    EXPECT_EQ(number(claims[1], "writes"), 4 + 2913);
    EXPECT_EQ(number(claims[1], "reads"), 2 + 1 + 128 * 8);
    for (const auto& claim : claims) expect_idle_and_paced(claim);
}

TEST(Ppdev, BusyPortIsGivenUpAfterAboutThreeSeconds) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev("claim=block");
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run({"--port", device}, "\n1\n8\n");
    EXPECT_EQ(r.out, startup_text(counting_image()) + "The parallel port " + device +
                         " is busy: another program, such as a print job, holds it. Try again when it has finished.\n" +
                         MENU_TEXT);
    EXPECT_GT(r.seconds, 2.5);
    EXPECT_LT(r.seconds, 8.0);
}

TEST(Ppdev, RefusalsSayWhatToDoAndTheMenuFollows) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"open=EACCES", ": Permission denied. Join its group lp (sudo adduser $USER lp), then log out and in again.\n"},
        {"claim=ENXIO", ": No such device or address. No parallel port is behind it: find the parportN of your card in "
                        "the kernel log (sudo dmesg | grep parport) and name it with --port.\n"},
    };
    for (const auto& [fail, text] : cases) {
        tool_dir dir;
        std::string device = dir.use_fake_ppdev(fail);
        dir.put("dflt.dat", counting_image());
        tool_run r = dir.run({"--port", device}, "\n6\n8\n");
        EXPECT_EQ(r.out, startup_text(counting_image()) + "Cannot use the parallel port " + device + text + MENU_TEXT);
    }
    // Joining group root would hand out far more than the port.
    tool_dir dir;
    std::string device = dir.use_fake_ppdev("open=EACCES");
    dir.put("parport-fake", "");
    if (chown(device.c_str(), static_cast<uid_t>(-1), 0) != 0) GTEST_SKIP() << "needs root to give the device to root";
    tool_run r = dir.run({"--port", device, "--check"}, "");
    EXPECT_EQ(r.err, "Cannot use the parallel port " + device + ": Permission denied. It belongs to root alone: give it a "
                     "group of its own with a udev rule, or ask your administrator.\n");
}

TEST(Ppdev, PortLostMidActionEndsItAndTheNextActionOpensAfresh) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev("access=ENODEV@2000");
    dir.put("dflt.dat", counting_image());
    tool_run r = dir.run({"--port", device}, "\n1\n5\n8\n");
    std::string chip = dir.get("fake-chip.bin");
    EXPECT_EQ(r.out, startup_text(counting_image()) + "Lost the parallel port " + device +
                         ": No such device. Check the card and its driver; the next action opens the port afresh.\n" +
                         MENU_TEXT + dump_text(chip) + MENU_TEXT);
    EXPECT_NE(dir.get("fake.log").find("close\nopen " + device + "\nclaim\n"), std::string::npos);
}

TEST(Ppdev, InterruptedWriteFinishesItsByteAndLeavesTheBusIdle) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev();
    dir.put("dflt.dat", counting_image());
    // Part way into a write that lasts over half a second.
    auto claimed = [&] { return dir.get("fake.log").find("claim") != std::string::npos; };
    tool_run r = dir.run_signalled({"--port", device}, "\n1\n", claimed, 0.2, SIGINT);
    EXPECT_EQ(r.status, 130);
    std::string head = startup_text(counting_image()) + "Interrupted after ";
    ASSERT_EQ(r.out.rfind(head, 0), 0u) << r.out;
    int written = std::stoi(r.out.substr(head.size()));
    EXPECT_EQ(r.out.substr(head.size()), std::to_string(written) + " of 128 bytes.\n");
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 128);
    std::string chip = dir.get("fake-chip.bin");
    EXPECT_EQ(chip.substr(0, written), counting_image().substr(0, written));
    EXPECT_EQ(chip.substr(written), std::string(128 - written, '\xff'));
    auto claims = releases(dir.get("fake.log"));
    ASSERT_EQ(claims.size(), 1u);
    expect_idle_and_paced(claims[0]);
}

// The kernel keeps a claimant whose claim was interrupted in the port's wait
// list while its file is open: left open, the idle menu would get the port
// when the print job ends, and keep it from everyone else.
TEST(Ppdev, AfterABusyRefusalTheMenuLeavesThePortToTheNextClaimant) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev();
    dir.put("dflt.dat", counting_image());
    dir.put("fake-queue", "print-job\n");
    tool_run next;
    auto print_job_ends = [&] {
        dir.put("fake-queue", dir.get("fake-queue").substr(std::string("print-job\n").size()));
        next = dir.run({"--port", device, "--check"}, "");
    };
    tool_run menu = dir.run_paused({"--port", device}, "is busy", print_job_ends, "8\n", "\n1\n");
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(menu.status, 0);
    EXPECT_EQ(dir.get("fake.log").find("forgot to release"), std::string::npos) << dir.get("fake.log");
}

TEST(Ppdev, MissingPortNamesThePortsThatExist) {
    tool_dir dir;
    std::string present = dir.use_fake_ppdev("", "parport0");
    dir.put("parport0", "");
    tool_run r = dir.run({"--port", dir.file("parport1"), "--check"}, "");
    EXPECT_EQ(r.err, "Cannot use the parallel port " + dir.file("parport1") +
                         ": No such file or directory. Existing ports: " + present + "; name one of them with --port.\n");
}

// --check times the port's accesses and names the clock they allow; a write
// at a chosen clock keeps its shortest phase, SCL high, on the real clock.
TEST(Ppdev, CheckMeasuresThePortAndAChosenClockPacesEveryWrite) {
    tool_dir dir;
    std::string device = dir.use_fake_ppdev();
    tool_run r = dir.run({"--port", device, "--check"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string figure = "[0-9]+\\.[0-9]{2} us, so the bus can reach [0-9.]+ [kM]?Hz here";
    EXPECT_TRUE(std::regex_search(r.err, std::regex("^Port: .* claimed\\.\nClock: a port access takes " + figure + "\\.\nLines: ")))
        << r.err;
    r = dir.run({"--port", device, "--check", "--chip", "24lc16b", "--clock", "400k"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(
        r.err, std::regex("\nClock: a port access takes " + figure + "; (the bus runs at 400 kHz|it runs at [0-9.]+ kHz, not the 400 kHz --clock asks)\\.\n")))
        << r.err;
    auto claims = releases(dir.get("fake.log"));
    ASSERT_EQ(claims.size(), 2u);
    // The shortest phase is SCL high, 790 ns of the 2.5 us.
    EXPECT_GE(number(claims[1], "min_gap_ns"), 790);
    EXPECT_LT(number(claims[1], "min_gap_ns"), 5000);
}

}  // namespace
