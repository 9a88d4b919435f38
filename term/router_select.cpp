#include "router_select.h"

#include <cstdio>
#include <cstring>

#include "callbacks.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "myutil.h"
#include "printable.h"
#include "reports.h"
#include "startup.h"
#include "terminal.h"
#include "texts.h"

namespace {

bool selection_pending = false;
bool prompt_shown = false;

// The number that a line's leading decimal digits give; 0 for a line that
// does not start with a digit or whose number exceeds `limit` (so it can
// never overflow).
int leading_number(const char* line, int limit)
{
    long value = 0;
    const char* p = line;
    if (*p < '0' || *p > '9')
        return 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit)
            return 0;
    }
    return static_cast<int>(value);
}

void report_not_configured(const char* name)
{
    std::fprintf(stderr,
                 ASCIIMsg("Error: router %s has not been configured\n",
                          "Fehler: %s ist kein Konfigurierter Router\n"),
                 ASCIIPrintable(name).c_str());
    ASCIIFail();
}

bool firmware_available()
{
    return (!ASCIIFWS0.empty() && !ASCIIFWS0.front().empty()) ||
           (!ASCIIFWS1.empty() && !ASCIIFWS1.front().empty());
}

}  // namespace

void ASCIIResetSelection()
{
    selection_pending = false;
    prompt_shown = false;
}

void ASCIIOpenRouter(const char* name, uint32_t address)
{
    uint32_t broadcast = ASCIIBroadcastAddress(myutil_get_my_ip(), myutil_get_my_netmask());
    // No router answers an open sent to a broadcast address from that
    // address, so the open would only fail much later.
    if (address == 0 || address == broadcast || address == 0xFFFFFFFFu) {
        report_not_configured(name);
        return;
    }
    ASCIIRouterConfig = 1;
    highstate_open_router(ASCIIOpenRouterCB, address);
}

int ASCIIRouterListStep()
{
    if (ASCIIRouterOVF != -1 || ASCIIProgram == ASCII_OP_ROV)
        return 0;
    ASCIIRouterOVF = 0;
    ASCIIRCRouterList();
    selection_pending = true;
    prompt_shown = false;
    return 1;
}

int ASCIISelectionStep(const char* line)
{
    if (!selection_pending)
        return 0;
    if (!prompt_shown) {
        if (ASCIINbR == 0) {
            std::fputs(ASCIIMsg("Can not find any router. Exit program.\n",
                                "Kein Router gefunden. Programm beendet.\n"),
                       stderr);
            selection_pending = false;
            ASCIIFail();
            return 1;
        }
        if (ASCIITerminalFd() < 0) {
            ASCIIReportNoTerminal();
            selection_pending = false;
            ASCIIFail();
            return 1;
        }
        std::fprintf(stderr,
                     ASCIIMsg("\nSelect router ( 1 - %d ) --> ",
                              "\neinen Router auswaehlen ( 1 - %d ) --> "),
                     ASCIINbR);
        prompt_shown = true;
        return 1;
    }
    if (line == nullptr)
        return 0;
    int n = leading_number(line, ASCIINbR);
    if (n < 1)
        return 0;

    int i = n - 1;
    std::memcpy(ASCIIRouterHW, ASCIIRouterHWs[i], ASCII_HW_SLOT);
    ASCIIExclusiv = ASCIIRouterExc[i] != 0 ? 1 : 0;
    char name[HOST_LEN + 1];
    myutil_get_host_name(ASCIIRouterIPs[i], name);
    ASCIIRouterName = name;
    selection_pending = false;
    prompt_shown = false;

    if (ASCIIRouterIPs[i] != 0) {
        ASCIIOpenRouter(name, ASCIIRouterIPs[i]);
    } else if (ASCIIProgram == ASCII_OP_ROUTERCONFIG) {
        ASCIIWaitState = 1;
        ASCIIRouterConfig = 0;
        if (!firmware_available()) {
            std::fputs(
                ASCIIMsg("No firmware available for DOWNLOAD.\n", "keine Firmware zum DOWNLOAD.\n"),
                stderr);
            ASCIIFail();
        }
    } else {
        // Only a firmware download can configure it, and only routerconfig
        // does that.
        report_not_configured(name);
    }
    return 1;
}

int ASCIIOpeningStep(const char* line)
{
    switch (ASCIIFinishedOpen) {
    case 2:
        if (ASCIITerminalFd() < 0) {
            ASCIIReportNoTerminal();
            ASCIIFinishedOpen = -1;
            ASCIIFail();
            return 1;
        }
        ASCIIPassWDToOpen(line);
        return line != nullptr ? 1 : 0;
    case 1:
        ASCIIFinishedOpen = 0;
        if ((ASCIIProgram == ASCII_OP_ACCOUNTING || ASCIIProgram == ASCII_OP_LINEMONITOR) &&
            ASCIINbLines == 0) {
            std::fputs(ASCIIMsg("Error: no line targets for this router\n",
                                "Fehler: keine Verbindungsziele fuer diesen Router\n"),
                       stderr);
            ASCIIFail();
            return 1;
        }
        interface_load_config(
            ASCIINbLines, ASCIINbRoutes, ASCIINbFilter,
            ASCIIProgram == ASCII_OP_LINETARGET ? ASCIIInterfLoadCB : ASCIIAccInterfLoadCB);
        return 1;
    default:
        return 0;
    }
}
