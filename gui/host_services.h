// The host services the back end requires of the graphical program (the
// declarations are core/host.h: main_register, main_add_timer, main_error),
// run on the X toolkit's event loop, and the toolkit's warning handler.
#pragma once

#include <X11/Intrinsic.h>

#include <cstdint>

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
