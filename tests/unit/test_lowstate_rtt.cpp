// The round-trip estimate by table: samples and expiries in, the smoothed
// time, its deviation and the time-out out, with the acknowledged layer's
// limits.
#include <vector>

#include <gtest/gtest.h>

#include "lowstate.h"
#include "lowstate_rtt.h"

namespace {

constexpr int BACK_OFF = -1;  // a step that is an expiry, not a sample

struct Case {
    const char* what;
    std::vector<int> steps;  // samples in milliseconds, or BACK_OFF
    int srtt_ms;
    int rttvar_ms;
    int rto_ms;
};

TEST(RttEstimate, FollowsTheSmoothedTimeAndItsDeviationWithinTheLimits)
{
    const Case cases[] = {
        {"no sample: the initial time-out", {}, 0, 0, 1000},
        {"a router answering at once: the clock's resolution", {0}, 0, 0, 250},
        {"first sample: half of it as deviation", {250}, 250, 125, 750},
        {"a steady time shrinks the deviation", {250, 250}, 250, 93, 622},
        {"a long time is held at the ceiling", {1500}, 1500, 750, 4000},
        {"the deviation counts against the old smoothed time", {0, 1000}, 125, 250, 1125},
        {"expiries double up to the ceiling", {BACK_OFF, BACK_OFF, BACK_OFF}, 0, 0, 4000},
        {"one expiry", {BACK_OFF}, 0, 0, 2000},
        {"a sample ends the back-off", {0, BACK_OFF, BACK_OFF, 0}, 0, 0, 250},
        {"a slow router settles a tick above its time",
         {1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500},
         1500,
         30,
         1750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RttEstimate e{};
        rtt_reset(&e, LOWSTATE_RTO);
        for (int step : c.steps) {
            if (step == BACK_OFF)
                rtt_back_off(&e, LOWSTATE_RTO);
            else
                rtt_sample(&e, LOWSTATE_RTO, step);
        }
        EXPECT_EQ(e.srtt_ms, c.srtt_ms);
        EXPECT_EQ(e.rttvar_ms, c.rttvar_ms);
        EXPECT_EQ(e.rto_ms, c.rto_ms);
    }
}

// A fine timer armed with the count fires on the fine tick after it, so the
// count is the time-out rounded up: never sooner than the time-out.
TEST(RttEstimate, TimeOutInFineTicksIsRoundedUp)
{
    const struct {
        int rto_ms;
        int fine;
    } cases[] = {{250, 1}, {251, 2}, {1000, 4}, {1125, 5}, {4000, 16}};
    for (const auto& c : cases) {
        RttEstimate e{};
        e.rto_ms = c.rto_ms;
        EXPECT_EQ(rtt_timeout_fine(e), c.fine) << c.rto_ms;
    }
    EXPECT_EQ(rtt_elapsed_ms(10, 16), 6 * UDP_FINE_TICK_MS);
    EXPECT_EQ(rtt_elapsed_ms(0xFFFFFFFEu, 2), 4 * UDP_FINE_TICK_MS);  // across the wrap
}

}  // namespace
