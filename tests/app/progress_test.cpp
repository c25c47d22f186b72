// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line's bytes on a fake terminal, on a clock the test moves.
#include <gtest/gtest.h>

#include "app/progress.h"

using namespace eeprom24c01;
namespace {

struct fake_terminal {
    std::string out;
    std::uint64_t now_us = 0;
    progress_display display(bool terminal) {
        return {terminal, [this](std::string_view bytes) { out += bytes; }, [this] { return now_us; }};
    }
};

TEST(Progress, LineTexts) {
    struct line_case {
        progress_phase phase;
        std::size_t done, total;
        std::uint64_t elapsed_us;
        const char* line;
    } cases[] = {
        {progress_phase::writing, 1, 61, 3000000, "Writing 1 of 61 bytes, 3:00 left"},
        {progress_phase::writing, 3, 4, 1000001, "Writing 3 of 4 bytes, 0:01 left"},  // rounded up
        {progress_phase::reading, 128, 128, 9000000, "Reading 128 of 128 bytes"},
    };
    for (const auto& c : cases) EXPECT_EQ(progress_line(c.phase, c.done, c.total, c.elapsed_us), c.line);
}

TEST(Progress, DrawnAfterASecondAtMostTenTimesASecondAndWipedAtTheEnd) {
    fake_terminal t;
    {
        progress_display p = t.display(true);
        p.update(progress_phase::writing, 0, 100);
        t.now_us = 500000;
        p.update(progress_phase::writing, 10, 100);
        EXPECT_EQ(t.out, "") << "not within the first second";
        t.now_us = 1000000;
        p.update(progress_phase::writing, 20, 100);
        t.now_us = 1050000;
        p.update(progress_phase::writing, 21, 100);
        t.now_us = 1100000;
        p.update(progress_phase::writing, 22, 100);
        t.now_us = 1120000;
        p.update(progress_phase::verifying, 0, 100);  // a new phase shows at once
        p.clear();
        p.clear();
    }
    EXPECT_EQ(t.out,
              "\rWriting 20 of 100 bytes, 0:04 left"
              "\rWriting 22 of 100 bytes, 0:04 left"
              "\rVerifying 0 of 100 bytes          "
              "\r                        \r");
}

TEST(Progress, NothingAtAllOffATerminal) {
    fake_terminal pipe;
    {
        progress_display off = pipe.display(false);
        for (std::size_t done = 0; done <= 100; ++done, pipe.now_us += 100000) off.update(progress_phase::reading, done, 100);
    }
    EXPECT_EQ(pipe.out, "");
}

}  // namespace
