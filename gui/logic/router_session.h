// The session with the selected router: which router is selected, and once
// registered whose settings the dialogs work on, and whether an action
// waits for the router. Every window reads the two globals below; only the
// functions of this file change them, so that a rule such as "a new
// registration starts without a password" is kept in one place.
#pragma once

#include "records.h"
#include "selected_router.h"

// The selected, and after registration the registered, router.
extern const SelectedRouter& helpfunc_selected_box;

// The busy flag: 1 while a registration, an accounting read or a write of
// the tables waits for the router. The main window then takes only Quit,
// the table dialog and the accounting window take nothing.
extern const int& action_running;

// ----------------------------------------------------------- busy flag ---

// An action that waits for the router begins; it ends with its completion
// callback or in the failure handling.
void router_session_begin_action();
void router_session_end_action();

// ------------------------------------------------------------ selection ---

// At start-up: nothing selected, settings a copy of router_defaults.
void router_session_reset_startup();

// A line of the router list ("hw-address name", as the list shows it) at
// 1-based `position` is selected; `held` is its entry's held flag. A line
// in parentheses (another station holds the router) changes nothing and
// gives false.
bool router_session_select(const char* line, int position, bool held);

// A registration begins: it starts without a password.
void router_session_start_registration();

// The password typed for the selected router, or none ("" or null).
void router_session_set_password(const char* password);

// The router accepted the registration: the table sizes and settings of its
// reply.
void router_session_registered(const OpenReply& reply);

// A router without an address is configured from the default settings.
void router_session_use_defaults();

// The router took a new password and exclusive flag.
void router_session_take_password(const char* password, int32_t exclusive);

// The router took new settings: name, netmask, telephone number and
// permanent-connection type of `accepted`.
void router_session_take_settings(const RouterSettings& accepted);

// The router is let go (deregistration, a failure with tables, the end of
// a download): nothing selected, settings all zero bytes, no password.
void router_session_forget_router();
