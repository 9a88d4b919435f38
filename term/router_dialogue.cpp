#include "router_dialogue.h"

#include <cstdio>

#include "globals.h"

// Until the dialogue exists, routerconfig ends as soon as it would start,
// so that nothing waits for it.
int ASCIIRouterDialogueStep(const char* /*line*/) {
    if (ASCIIWaitState == 0) return 0;
    std::fputs("routerconfig: not available\n", stderr);
    ASCIIWaitState = 0;
    ASCIIFail();
    return 1;
}
