// Registration of a router: what the router's answer to "Register" does
// (cbfunc_open, the entry point in dialog_entry_points.h), the password
// prompt "PWDialog" with its hidden entry, the refusal messages, and the
// start of the table read that cbfunc_get_config ends.
//
//   "Register" -> open request -> password request -> cbfunc_open kind 1
//   -> prompt -> typing (PasswordCB 2, 1) -> Enter (PasswordCB 0)
//   -> cbfunc_open kind 0 -> interface_load_config -> cbfunc_get_config
#pragma once

#include <X11/Intrinsic.h>

struct PasswordPrompt;

// Actions of "PWText".
enum PasswordAction : int {
    PASSWORD_ENTER = 0,          // activate: send the typed password
    PASSWORD_CHANGED = 1,        // value changed
    PASSWORD_MODIFY_VERIFY = 2,  // modify-verify: the hidden text follows the change
};

// The callback of "PWText"; `client` is the PasswordAction, `call` the text
// field's verify record for action 2.
void PasswordCB(Widget widget, XtPointer client, XtPointer call);

// The prompt's buffer (its user data): the typed text, the challenge and the
// sequence number of the router's request. Null until the prompt is built.
PasswordPrompt* registration_prompt();
