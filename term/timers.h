// The terminal program's timer list: periodic and counted timers driven by
// polling. The clock is a 64-bit monotonic count of milliseconds, so it never
// wraps during a run; tests put a clock of their own in its place.
//
// A timer fires on the first pass at or after its due time; its next due time
// grows from the previous one, not from "now", so a timer that fell behind
// fires once on each following pass until it has caught up and no firing is
// lost.
#pragma once

#include <cstdint>

typedef void (*ASCIITimerCallback)();
typedef int64_t (*ASCIIClockFn)();  // clock ticks of a monotonic clock

constexpr int64_t ASCII_CLOCK_RATE = 1000;     // ticks per second of the real clock
constexpr int64_t ASCII_NO_TIMER = INT64_MAX;  // ASCIINextTimerDue without a timer

// One timer.
struct ASCIITimer {
    int32_t count_limit;          // firings after which it is removed; 0 = for ever
    int32_t id;                   // returned by ASCIISetTimer
    int32_t fired;                // firings so far (counted only with a count limit)
    ASCIITimerCallback callback;  // null: nothing is called
    int64_t interval;             // period in clock ticks
    int64_t due;                  // clock tick of its next firing
    int32_t busy;                 // 1 while its callback runs
};

struct ASCIITimerNode {
    ASCIITimerNode* next;  // following node, null at the end
    ASCIITimer* timer;
};

extern ASCIITimerNode* ASCIITimerList;  // newest timer first
extern int32_t ASCIINextTimerId;        // id of the next timer, from 1

// Replaces the clock (null: the real monotonic clock) and its rate in ticks
// per second. For tests; call before the first timer is set.
void ASCIISetTimerClock(ASCIIClockFn clock, int64_t rate);

// The clock now, in its ticks.
int64_t ASCIIClockNow();

// Creates a timer that first fires `seconds` after now; returns its id.
int32_t ASCIISetTimer(double seconds, int32_t count_limit, ASCIITimerCallback callback);

// One pass: every timer that is due and not busy fires once; counted timers
// that reached their limit are removed. Returns the number of firings.
int ASCIIReadTimer();

// The earliest due time among the timers that may fire, or ASCII_NO_TIMER.
int64_t ASCIINextTimerDue();

// Milliseconds from now until the next due timer (0 when one is due, -1
// without a timer), for a poll that must wake in time.
int ASCIITimerWaitMs();

// After the process was stopped and has been continued: the time it spent
// stopped does not count. Every timer's due time moves on by the time since
// the last pass, so the wait that was under way when the stop came starts
// again from now and the ticks missed meanwhile never fire.
void ASCIIResumeTimers();

// Removes and frees every timer and restores the id counter and the clock.
void ASCIIClearTimers();
