// The timer list against a clock the test moves by hand.
#include <gtest/gtest.h>

#include <vector>

#include "timers.h"

namespace {

int64_t fake_now = 0;
int64_t fake_clock()
{
    return fake_now;
}
constexpr int64_t RATE = 100;  // ticks per second, as a process clock might count

std::vector<char> fired;
void fire_a()
{
    fired.push_back('a');
}
void fire_b()
{
    fired.push_back('b');
}
void fire_c()
{
    fired.push_back('c');
}

int list_length()
{
    int n = 0;
    for (ASCIITimerNode* node = ASCIITimerList; node != nullptr; node = node->next)
        ++n;
    return n;
}

class Timers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIClearTimers();
        fake_now = 5000;
        fired.clear();
        ASCIISetTimerClock(fake_clock, RATE);
    }
    void TearDown() override { ASCIIClearTimers(); }
};

TEST_F(Timers, OneSecondTimerFiresFirstAtCreationPlusRate)
{
    ASCIISetTimer(1.0, 0, fire_a);
    fake_now += RATE - 1;
    EXPECT_EQ(ASCIIReadTimer(), 0);
    fake_now += 1;
    EXPECT_EQ(ASCIIReadTimer(), 1);
    EXPECT_EQ(ASCIIReadTimer(), 0) << "fires at most once per due time";
    EXPECT_EQ(fired, std::vector<char>({'a'}));
}

TEST_F(Timers, AStallIsCaughtUpOnePassAtATime)
{
    ASCIISetTimer(1.0, 0, fire_a);
    fake_now += 5 * RATE + RATE / 2;
    for (int pass = 0; pass < 5; ++pass)
        EXPECT_EQ(ASCIIReadTimer(), 1) << "pass " << pass;
    EXPECT_EQ(ASCIIReadTimer(), 0);
    EXPECT_EQ(fired.size(), 5u);
}

TEST_F(Timers, CountedTimerIsRemovedAndNeighboursStay)
{
    ASCIISetTimer(1.0, 0, fire_a);
    ASCIISetTimer(1.0, 2, fire_b);
    ASCIISetTimer(1.0, 0, fire_c);
    ASSERT_EQ(list_length(), 3);
    for (int pass = 1; pass <= 4; ++pass) {
        fake_now += RATE;
        ASCIIReadTimer();
    }
    // Newest first: c, b, a on the first two passes, then only c and a.
    EXPECT_EQ(fired, std::vector<char>({'c', 'b', 'a', 'c', 'b', 'a', 'c', 'a', 'c', 'a'}));
    EXPECT_EQ(list_length(), 2);
    EXPECT_EQ(ASCIITimerList->timer->callback, fire_c);
    EXPECT_EQ(ASCIITimerList->next->timer->callback, fire_a);
}

TEST_F(Timers, IdsCountUpFromOne)
{
    EXPECT_EQ(ASCIISetTimer(1.0, 0, fire_a), 1);
    EXPECT_EQ(ASCIISetTimer(2.5, 1, nullptr), 2);
    EXPECT_EQ(ASCIISetTimer(1.0, 0, fire_b), 3);
}

TEST_F(Timers, TimerWithoutCallbackStillCountsAndExpires)
{
    ASCIISetTimer(0.5, 1, nullptr);
    fake_now += RATE / 2;
    EXPECT_EQ(ASCIIReadTimer(), 1);
    EXPECT_EQ(list_length(), 0);
}

TEST_F(Timers, ClockBeyondThirtyTwoBitsKeepsWorking)
{
    fake_now = (int64_t{1} << 32) - 10;
    ASCIISetTimer(1.0, 0, fire_a);
    fake_now += RATE;
    EXPECT_EQ(ASCIIReadTimer(), 1);
    fake_now += RATE - 1;
    EXPECT_EQ(ASCIIReadTimer(), 0);
}

TEST_F(Timers, WaitTimeRoundsUpToTheDueTick)
{
    EXPECT_EQ(ASCIITimerWaitMs(), -1);
    ASCIISetTimer(1.0, 0, fire_a);
    EXPECT_EQ(ASCIITimerWaitMs(), 1000);
    fake_now += RATE - 1;  // one tick of 10 ms left
    EXPECT_EQ(ASCIITimerWaitMs(), 10);
    fake_now += 5;
    EXPECT_EQ(ASCIITimerWaitMs(), 0);
}

// A callback that polls the timers again must not fire itself a second time.
int nested_calls = 0;
void nested()
{
    ++nested_calls;
    fake_now += 10 * RATE;
    ASCIIReadTimer();
}

TEST_F(Timers, BusyTimerIsPassedOverInANestedPass)
{
    ASCIISetTimer(1.0, 0, nested);
    fake_now += RATE;
    ASCIIReadTimer();
    EXPECT_EQ(nested_calls, 1);
}

// A stop of the process (Ctrl-Z, SIGSTOP) between two passes: the time it
// spent stopped does not count, so the missed ticks never fire and the
// wait under way starts again from the continue.
TEST_F(Timers, AStopDoesNotCountAgainstTheTimers)
{
    const struct {
        const char* name;
        int64_t before_stop;  // clock ticks run between the last pass and the stop
        int64_t stopped;      // clock ticks spent stopped
    } cases[] = {
        {"stop right after a pass", 0, 20 * RATE},
        {"stop in the middle of a wait", RATE / 2, 13 * RATE},
        {"stop shorter than a tick", RATE / 4, RATE / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASCIIClearTimers();
        ASCIISetTimerClock(fake_clock, RATE);
        fake_now = 5000;
        fired.clear();
        ASCIISetTimer(1.0, 0, fire_a);
        ASCIISetTimer(3.0, 1, fire_b);
        EXPECT_EQ(ASCIIReadTimer(), 0);
        fake_now += c.before_stop + c.stopped;
        ASCIIResumeTimers();
        EXPECT_EQ(ASCIIReadTimer(), 0) << "no missed tick fires at the continue";
        fake_now += RATE - 1;
        EXPECT_EQ(ASCIIReadTimer(), 0) << "the second began again at the continue";
        fake_now += 1;
        EXPECT_EQ(ASCIIReadTimer(), 1);
        fake_now += RATE;
        EXPECT_EQ(ASCIIReadTimer(), 1);
        fake_now += RATE;
        EXPECT_EQ(ASCIIReadTimer(), 2);
        EXPECT_EQ(ASCIIReadTimer(), 0) << "nothing is owed";
        EXPECT_EQ(fired, std::vector<char>({'a', 'a', 'b', 'a'}))
            << "the counted timer fires three running seconds after it was set";
    }
}

TEST_F(Timers, AContinueWithoutAnyPassYetChangesNothing)
{
    ASCIISetTimer(1.0, 0, fire_a);
    fake_now += 10 * RATE;
    ASCIIResumeTimers();
    EXPECT_EQ(ASCIIReadTimer(), 1) << "nothing ran before, so there is no stop to measure";
}

}  // namespace
