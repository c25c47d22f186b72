// SPDX-License-Identifier: GPL-3.0-or-later
// The production log: a header once, one whole CSV line per action, fields
// quoted where CSV needs it, and a bounded wait for another station's lock.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <string>

#include "production/production_log.h"
#include "support/run_tool.h"
#include "util/unique_fd.h"

using namespace eeprom24c01;
namespace {

using namespace std::chrono_literals;

log_entry sample() {
    log_entry e;
    e.time = std::chrono::system_clock::from_time_t(1714566896) + 999ms;
    e.action = "write";
    e.port = "/dev/parport0";
    e.chip = "24c01";
    e.image_file = "board, rev \"C\".hex";
    e.image_sha256 = "ab12";
    e.serial = "1001";
    e.bytes_written = 128;
    e.outcome = "ok";
    e.exit_status = 0;
    e.duration_ms = 731;
    return e;
}

TEST(ProductionLog, FieldsAreQuotedOnlyWhenCsvNeedsIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain text", "plain text"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"two\nlines", "\"two\nlines\""}};
    for (const auto& [field, csv] : cases) EXPECT_EQ(csv_field(field), csv);
}

TEST(ProductionLog, ANewFileGetsTheHeaderThenOneLinePerAction) {
    tool_dir dir;
    log_entry failed = sample();
    failed.action = "verify";
    failed.serial = "";
    failed.bytes_written = 0;
    failed.outcome = "3 bytes differ";
    failed.exit_status = 1;
    EXPECT_EQ(append_to_log(dir.file("log.csv"), sample()), "");
    EXPECT_EQ(append_to_log(dir.file("log.csv"), failed), "");
    EXPECT_EQ(dir.get("log.csv"),
              "time,action,port,chip,image,image_sha256,serial,bytes_written,outcome,exit_status,duration_ms\n"
              "2024-05-01T12:34:56Z,write,/dev/parport0,24c01,\"board, rev \"\"C\"\".hex\",ab12,1001,128,ok,0,731\n"
              "2024-05-01T12:34:56Z,verify,/dev/parport0,24c01,\"board, rev \"\"C\"\".hex\",ab12,,0,3 bytes differ,1,731\n");
}

TEST(ProductionLog, AnUnfinishedLastLineIsEndedAndWhatIsNoFileIsRefused) {
    tool_dir dir;
    dir.put("log.csv", "cut off");
    EXPECT_EQ(append_to_log(dir.file("log.csv"), sample()), "");
    EXPECT_EQ(dir.get("log.csv"), "cut off\n" + log_line(sample()));
    const std::pair<std::string, const char*> unusable[] = {
        {dir.path(), "Is a directory"}, {"/dev/full", "not a regular file"}, {dir.file("no/log.csv"), "No such file or directory"}};
    for (const auto& [path, why] : unusable)
        EXPECT_EQ(production_log().open(path), "Log " + path + " cannot be written (" + why + "); nothing was done.\n");
}

TEST(ProductionLog, ALockHeldElsewhereIsWaitedForOnlySoLong) {
    tool_dir dir;
    dir.put("log.csv", std::string(LOG_HEADER));
    unique_fd other(open(dir.file("log.csv").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(flock(other.get(), LOCK_EX), 0);
    EXPECT_EQ(append_to_log(dir.file("log.csv"), sample(), {50ms, {}, {}}),
              "Log " + dir.file("log.csv") + " stayed locked by another station; this action's line was not written.\n");
    EXPECT_EQ(dir.get("log.csv"), LOG_HEADER);
}

}  // namespace
