// Requests to the router one at a time. The back end takes an acknowledged
// request only once the router has acknowledged the one before it; a
// second one sent earlier ends the connection (LOWSTATE_BUSY) and with it
// the registration. A router slow to acknowledge (the line monitor's stop
// as its window closes, say) must not cost the user's next action that, so
// every action that sends is handed to request_gate_run, which holds it
// until the back end can take it.
//
//     request_gate_run([] { highstate_get_accounting(cbfunc_accounting, main_line_list); });
#pragma once

#include <functional>

constexpr unsigned long REQUEST_GATE_RETRY_MS = 50;  // ms between looks at a waiting action

// Runs `action` at once while no acknowledgement is awaited. Otherwise the
// busy cursor comes on and the action runs as soon as the acknowledgement
// has come, in the order the actions were given. An action given while a
// router was open is dropped when the failure handling has let that router
// go in the meantime: the failure has been reported, and nothing of that
// visit is to reach the next router.
void request_gate_run(std::function<void()> action);

// How many actions wait.
int request_gate_waiting();
