#include "serial/line_watch.h"

#include <gtest/gtest.h>

#include "serial/serial_port.h"

namespace vel {
namespace {

TEST(LineWatch, ErrorCountersThatMovedBecomeEvents) {
    const LineErrorCounts base{3, 5, 7, 9, 11};
    struct Case { LineErrorCounts after; std::vector<int> events; };
    const Case cases[] = {
        {base, {}},
        {{4, 5, 7, 9, 11}, {CommErBreak}},
        {{3, 8, 7, 9, 11}, {CommErFrame}},   // several at once: one event
        {{3, 5, 8, 9, 11}, {CommErOverrun}},
        {{3, 5, 7, 10, 11}, {CommErRxOver}},
        {{3, 5, 7, 9, 12}, {CommErParity}},
        {{4, 6, 8, 10, 12}, {CommErBreak, CommErFrame, CommErOverrun, CommErRxOver, CommErParity}},
        {{0, 0, 0, 0, 0}, {CommErBreak, CommErFrame, CommErOverrun, CommErRxOver, CommErParity}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(lineErrorEvents(base, cases[i].after), cases[i].events) << "case " << i;
}

TEST(LineWatch, ModemLineChangesBecomeEvents) {
    struct Case { ModemLines before, after; std::vector<int> events; };
    const Case cases[] = {
        {{}, {}, {}},
        {{}, {true, false, false, false}, {CommEvCts}},
        {{true, false, false, false}, {}, {CommEvCts}},   // going off is a change too
        {{}, {false, true, false, false}, {CommEvDsr}},
        {{false, false, true, false}, {}, {CommEvCd}},
        {{}, {false, false, false, true}, {CommEvRing}},
        {{false, false, false, true}, {}, {}},            // the end of a ring is not another ring
        {{}, {true, true, true, true}, {CommEvCts, CommEvDsr, CommEvCd, CommEvRing}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(modemLineEvents(cases[i].before, cases[i].after), cases[i].events) << "case " << i;
}

TEST(LineWatch, ADeviceWithoutReportsStaysSilent) {
    LineWatch watch;
    watch.start(-1);
    EXPECT_FALSE(watch.active());
    EXPECT_TRUE(watch.poll().empty());
    EXPECT_FALSE(readLineErrorCounts(-1));
    EXPECT_FALSE(readModemLines(-1));
}

}  // namespace
}  // namespace vel
