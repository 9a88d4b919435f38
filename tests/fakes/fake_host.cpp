// The three host services, recorded for the unit tests (see fake_host.h).
#include "fake_host.h"

#include <poll.h>

namespace {

struct FakeHost {
    HostCallback socket_callback = nullptr;  // from main_register
    int socket = -1;                         // descriptor from main_register
    int register_calls = 0;
    HostCallback tick_callback = nullptr;  // from main_add_timer
    int tick_seconds = 0;
    int add_timer_calls = 0;
    HostCallback fine_callback = nullptr;  // from main_add_fine_timer
    int fine_ms = 0;
    std::vector<int> errors;  // every main_error code, oldest first
    FakeHostErrorHook error_hook = nullptr;
};

FakeHost& host()
{
    static FakeHost state;
    return state;
}

bool socket_readable(int wait_ms)
{
    pollfd p{host().socket, POLLIN, 0};
    return poll(&p, 1, wait_ms) > 0 && (p.revents & (POLLIN | POLLERR)) != 0;
}

}  // namespace

int main_register(HostCallback callback, int descriptor)
{
    host().socket_callback = callback;
    host().socket = descriptor;
    host().register_calls++;
    return 0;
}

int main_add_timer(HostCallback callback, int seconds)
{
    host().tick_callback = callback;
    host().tick_seconds = seconds;
    host().add_timer_calls++;
    return 0;
}

int main_add_fine_timer(HostCallback callback, int milliseconds)
{
    host().fine_callback = callback;
    host().fine_ms = milliseconds;
    return 0;
}

void main_error(int code)
{
    host().errors.push_back(code);
    if (host().error_hook != nullptr)
        host().error_hook(code);
}

void fake_host_reset()
{
    host() = FakeHost{};
}

int fake_host_fine_tick(int n)
{
    int delivered = 0;
    for (int i = 0; i < n && host().fine_callback != nullptr; i++) {
        host().fine_callback();
        delivered++;
    }
    return delivered;
}

int fake_host_tick(int n)
{
    int delivered = 0;
    for (int i = 0; i < n && host().tick_callback != nullptr; i++) {
        // The fine ticks of the second come first; the last one falls on
        // the tick itself.
        int fine = host().fine_ms > 0 ? 1000 / host().fine_ms : 0;
        fake_host_fine_tick(fine);
        host().tick_callback();
        delivered++;
    }
    return delivered;
}

int fake_host_pump(int first_wait_ms)
{
    if (host().socket_callback == nullptr || host().socket < 0)
        return 0;
    int calls = 0;
    int wait_ms = first_wait_ms;
    while (calls < FAKE_HOST_PUMP_MAX && socket_readable(wait_ms)) {
        host().socket_callback();
        calls++;
        wait_ms = 0;
    }
    return calls;
}

const std::vector<int>& fake_host_errors()
{
    return host().errors;
}
void fake_host_clear_errors()
{
    host().errors.clear();
}
void fake_host_set_error_hook(FakeHostErrorHook hook)
{
    host().error_hook = hook;
}
int fake_host_socket()
{
    return host().socket;
}
HostCallback fake_host_socket_callback()
{
    return host().socket_callback;
}
HostCallback fake_host_tick_callback()
{
    return host().tick_callback;
}
int fake_host_tick_seconds()
{
    return host().tick_seconds;
}
int fake_host_register_calls()
{
    return host().register_calls;
}
int fake_host_add_timer_calls()
{
    return host().add_timer_calls;
}
int fake_host_fine_ms()
{
    return host().fine_ms;
}
