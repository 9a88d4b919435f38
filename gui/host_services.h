// The host services the back end requires of the graphical program (the
// declarations are core/host.h: main_register, main_add_timer, main_error),
// run on the X toolkit's event loop, and the toolkit's warning handler.
#pragma once

#include <X11/Intrinsic.h>

#include <cstdint>
#include <string>

#include "host.h"

// One call of main_add_timer, kept for the rest of the run.
struct MainTimerRecord {
    HostCallback callback;  // the function to call, no arguments
    uint32_t seconds;       // its period
};

// The timeout procedure: calls the record's function, then arms itself
// again for one more period, counted from the end of the call.
void main_timer(XtPointer record, XtIntervalId* id);

// The toolkit's warning handler: warnings that begin "XtRemoveGrab" (the
// help window's grab outliving its dialog) are dropped, any other goes to
// standard error as one line.
void main_xt_errorhandler(String message);

// The failure handling of main_error(code) with a reason of the caller's
// own said first in the error box (main_error_text_after); an empty reason
// is main_error itself. Returns the text the error box shows, "" when the
// code raised the question about the firmware instead.
std::string main_error_with_reason(int code, const std::string& reason);
