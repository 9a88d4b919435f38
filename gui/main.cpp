// qorvel: configuration and monitoring of the routers, with a Motif window.
// The command line takes the X toolkit's standard options only.
#include <X11/Intrinsic.h>

#include "globals.h"
#include "startup.h"

int main(int argc, char** argv)
{
    uint32_t broadcast = startup_host_config();
    startup_toolkit(&argc, argv);
    if (startup_back_end(broadcast))
        startup_first_scan();
    XtAppMainLoop(app_context);
    return 0;
}
