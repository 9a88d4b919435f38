#include "timers.h"

#include <climits>
#include <ctime>
#include <new>

ASCIITimerNode* ASCIITimerList = nullptr;
int32_t ASCIINextTimerId = 1;

namespace {

int64_t real_clock()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

ASCIIClockFn timer_clock = real_clock;
int64_t timer_rate = ASCII_CLOCK_RATE;
bool passed = false;    // a pass has read the clock
int64_t last_pass = 0;  // the clock at the last pass

// Unlinks the node of `timer` wherever it stands now: a callback may have
// added timers in front or removed others, so the walk's neighbours are not
// trusted.
void remove_timer(ASCIITimer* timer)
{
    for (ASCIITimerNode** link = &ASCIITimerList; *link != nullptr; link = &(*link)->next) {
        if ((*link)->timer == timer) {
            ASCIITimerNode* node = *link;
            *link = node->next;
            delete node->timer;
            delete node;
            return;
        }
    }
}

}  // namespace

void ASCIISetTimerClock(ASCIIClockFn clock, int64_t rate)
{
    timer_clock = clock != nullptr ? clock : real_clock;
    timer_rate = clock != nullptr && rate > 0 ? rate : ASCII_CLOCK_RATE;
}

int64_t ASCIIClockNow()
{
    return timer_clock();
}

int32_t ASCIISetTimer(double seconds, int32_t count_limit, ASCIITimerCallback callback)
{
    auto* timer = new ASCIITimer{};
    timer->count_limit = count_limit;
    timer->id = ASCIINextTimerId++;
    timer->fired = 0;
    timer->callback = callback;
    double ticks = seconds * static_cast<double>(timer_rate);
    // A period of 0 would make the timer due on every pass for ever.
    timer->interval = ticks >= 1.0 ? static_cast<int64_t>(ticks) : 1;
    timer->due = timer_clock() + timer->interval;
    timer->busy = 0;
    ASCIITimerList = new ASCIITimerNode{ASCIITimerList, timer};
    return timer->id;
}

int ASCIIReadTimer()
{
    int64_t now = timer_clock();
    passed = true;
    last_pass = now;
    int firings = 0;
    ASCIITimerNode* node = ASCIITimerList;
    while (node != nullptr) {
        ASCIITimer* timer = node->timer;
        if (timer->busy || timer->due > now) {
            node = node->next;
            continue;
        }
        timer->busy = 1;
        if (timer->count_limit > 0)
            ++timer->fired;
        timer->due += timer->interval;
        if (timer->callback != nullptr)
            timer->callback();
        timer->busy = 0;
        ++firings;
        // The node is still linked: only a firing removes a timer, and a
        // busy one cannot fire in a nested pass.
        node = node->next;
        if (timer->count_limit > 0 && timer->fired >= timer->count_limit)
            remove_timer(timer);
    }
    return firings;
}

int64_t ASCIINextTimerDue()
{
    int64_t due = ASCII_NO_TIMER;
    for (ASCIITimerNode* node = ASCIITimerList; node != nullptr; node = node->next)
        if (!node->timer->busy && node->timer->due < due)
            due = node->timer->due;
    return due;
}

int ASCIITimerWaitMs()
{
    int64_t due = ASCIINextTimerDue();
    if (due == ASCII_NO_TIMER)
        return -1;
    int64_t ticks = due - timer_clock();
    if (ticks <= 0)
        return 0;
    // Round up, so the wake-up never comes before the due tick.
    int64_t ms = (ticks * 1000 + timer_rate - 1) / timer_rate;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

void ASCIIResumeTimers()
{
    if (!passed)
        return;
    int64_t stalled = timer_clock() - last_pass;
    if (stalled <= 0)
        return;
    for (ASCIITimerNode* node = ASCIITimerList; node != nullptr; node = node->next)
        node->timer->due += stalled;
    last_pass += stalled;
}

void ASCIIClearTimers()
{
    while (ASCIITimerList != nullptr) {
        ASCIITimerNode* node = ASCIITimerList;
        ASCIITimerList = node->next;
        delete node->timer;
        delete node;
    }
    ASCIINextTimerId = 1;
    passed = false;
    last_pass = 0;
    ASCIISetTimerClock(nullptr, 0);
}
