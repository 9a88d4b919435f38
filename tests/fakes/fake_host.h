// Fake host services for the back end's unit tests.
//
// The back end calls main_register, main_add_timer and main_error by name;
// this fake records what it is handed and lets a test drive it by hand:
// time advances only when the test calls fake_host_tick, and the socket is
// read only when the test calls fake_host_pump. Nothing here sleeps beyond
// the bounded wait of fake_host_pump.
//
//     fake_host_reset();                  // before the back end is initialised
//     ... initialise the back end (it registers its socket and tick) ...
//     router.send(...);                   // a plain socket in a router namespace
//     fake_host_pump();                   // the back end reads what arrived
//     fake_host_tick(4);                  // four virtual seconds pass
//     EXPECT_EQ(fake_host_errors(), (std::vector<int>{8888}));
#pragma once

#include <vector>

#include "host.h"

constexpr int FAKE_HOST_PUMP_WAIT_MS = 200;  // default wait for the first datagram of a pump
constexpr int FAKE_HOST_PUMP_MAX =
    1000;  // callbacks of one pump at most (a flood cannot hang a test)

// Forgets the registration, the tick, the recorded errors and the error hook.
void fake_host_reset();

// Calls the tick callback n times, each time after the fine ticks of that
// second; returns how many ticks were delivered (0 when the back end has
// not added its timer).
int fake_host_tick(int n = 1);

// Calls the fine tick callback n times, without the tick; returns how many
// were delivered.
int fake_host_fine_tick(int n = 1);

// Waits up to first_wait_ms for the registered socket to become readable,
// then calls the socket callback as long as the socket has data, without
// blocking. Returns the number of callback calls (0 when nothing arrived or
// nothing is registered).
int fake_host_pump(int first_wait_ms = FAKE_HOST_PUMP_WAIT_MS);

// Every code handed to main_error since the last reset, oldest first.
const std::vector<int>& fake_host_errors();
void fake_host_clear_errors();

// Called from main_error after the code is recorded (null: none), so a test
// can start the next operation from inside the error path.
typedef void (*FakeHostErrorHook)(int code);
void fake_host_set_error_hook(FakeHostErrorHook hook);

// What the back end registered: descriptor (-1 when none), the callbacks
// (null when none), the tick interval in seconds (0 when none) and how many
// times each service was called.
int fake_host_socket();
HostCallback fake_host_socket_callback();
HostCallback fake_host_tick_callback();
int fake_host_tick_seconds();
int fake_host_register_calls();
int fake_host_add_timer_calls();
int fake_host_fine_ms();  // the fine tick's interval (0 when none was added)
