#include "driver.h"

#include <cstdio>
#include <cstdlib>

#include "callbacks.h"
#include "command_line.h"
#include "config_file.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "myutil.h"
#include "reports.h"
#include "router_actions.h"
#include "router_dialogue.h"
#include "router_select.h"
#include "safe_file.h"
#include "startup.h"
#include "texts.h"
#include "timers.h"

namespace {

bool needs_open(int program)
{
    return program == ASCII_OP_ACCOUNTING || program == ASCII_OP_LINEMONITOR ||
           program == ASCII_OP_LINETARGET || program == ASCII_OP_SAVECONFIG ||
           program == ASCII_OP_ROUTERCONFIG;
}

int rov_step()
{
    int moved = 0;
    // An answer taken in the same pass as the end marker is still shown.
    if (ASCIIROVData) {
        ASCIIROVOut();
        moved = 1;
    }
    if (ASCIIRouterOVF == 1) {
        ASCIIRouterOVF = 0;
        moved = 1;
    } else if (ASCIIRouterOVF == -1) {
        ASCIIExit = 1;
        moved = 1;
    }
    return moved;
}

int save_config_step()
{
    if (ASCIILoadF != 1)
        return 0;
    ASCIILoadF = 0;
    RouterSettings record;
    ASCIIBuildRouterRecord(&record);
    if (!file_save_config(ASCIIFileName.c_str(), main_line_list, main_route_list, main_filter_list,
                          &record)) {
        ASCIIReportWriteError(ASCIIFileName.c_str());
        ASCIIFail();
        return 1;
    }
    ASCIIExit = 1;
    return 1;
}

int operation_step(const char* line)
{
    if (needs_open(ASCIIProgram) && ASCIIFinishedOpen != 0)
        return ASCIIOpeningStep(line);
    switch (ASCIIProgram) {
    case ASCII_OP_ROV:
        return rov_step();
    case ASCII_OP_ACCOUNTING:
        if (ASCIILoadF == 1) {
            ASCIILoadF = 0;
            if (ASCIIReset)
                highstate_get_acc_reset(ASCIIAccountingCB, main_line_list);
            else
                highstate_get_accounting(ASCIIAccountingCB, main_line_list);
            return 1;
        }
        if (ASCIIAccCBF == 1) {
            ASCIIAccCBF = 0;
            ASCIIAccOut();
            return 1;
        }
        return 0;
    case ASCII_OP_LINEMONITOR:
        if (ASCIILoadF == 1) {
            ASCIILoadF = 0;
            highstate_start_linemon(ASCIILineMonitorCB);
            return 1;
        }
        if (ASCIILineMonitorF == 1) {
            ASCIILineMonitorF = 0;
            ASCIILMOut();
            return 1;
        }
        return 0;
    case ASCII_OP_LINETARGET:
        if (ASCIILoadF == 1) {
            ASCIILoadF = 0;
            ASCIIWriteTables();
            return 1;
        }
        if (ASCIISaveConfigF == 1) {
            ASCIISaveConfigF = 0;
            ASCIIExit = 1;
            return 1;
        }
        return 0;
    case ASCII_OP_SAVECONFIG:
        return save_config_step();
    case ASCII_OP_ROUTERCONFIG:
        if (ASCIILoadF == 1) {
            ASCIILoadF = 0;
            ASCIIWaitState = 1;
            return 1;
        }
        return ASCIIRouterDialogueStep(line);
    default:
        return 0;
    }
}

// The report file named with -f, written beside its name and put there when
// the run ends, so that a report that cannot be written completely leaves
// the old file as it was.
UserFile report_file;

// Puts the report at its name; false when it did not reach it.
bool commit_report_file()
{
    if (ASCIIOutFile == stdout || ASCIIOutFile == stderr || ASCIIOutFile == nullptr)
        return true;
    ASCIIOutFile = stdout;
    return report_file.commit();
}

// A failure ends the program with exit(): what was reported up to then is
// the run's report all the same.
void commit_report_at_exit()
{
    if (!commit_report_file())
        ASCIIReportWriteError(ASCIIFileName.c_str());
}

// Opens the report file named with -f. Returns 0 when it cannot be opened:
// a FIFO, a device or a directory under the name is refused at once.
int open_report_file()
{
    if (ASCIIFileName.empty() || ASCIIProgram == ASCII_OP_LINETARGET ||
        ASCIIProgram == ASCII_OP_SAVECONFIG)
        return 1;
    std::fprintf(stderr, ASCIIMsg("Output directed to %s\n", "Ausgabeumlenkung nach %s\n"),
                 ASCIIFileName.c_str());
    if (!report_file.open(ASCIIFileName.c_str(), NewFileMode::Umask)) {
        ASCIIReportWriteError(ASCIIFileName.c_str());
        return 0;
    }
    ASCIIOutFile = report_file.stream();
    static bool at_exit = false;
    if (!at_exit)
        at_exit = std::atexit(commit_report_at_exit) == 0;
    return 1;
}

// Closes the report file; a report that did not reach it is a failure.
void close_report_file()
{
    if (!commit_report_file()) {
        ASCIIReportWriteError(ASCIIFileName.c_str());
        ASCIIExitStatus = 1;
    }
}

}  // namespace

int ASCIIStartOperation()
{
    switch (ASCIIProgram) {
    case ASCII_OP_NONE:
        std::fputs(ASCIIMsg("Unknown operating mode\n", "unbekannte Betriebsart\n"), stderr);
        return 0;
    case ASCII_OP_ROV:
        highstate_get_router_states(ASCIIRouterOverViewCB);
        return 1;
    case ASCII_OP_ROUTERCONFIG:
        highstate_scan_net(ASCIIScanNetCB);
        ASCIIFWS0 = ASCII_get_firmware_list(0);
        ASCIIFWS1 = ASCII_get_firmware_list(1);
        return 1;
    default:
        break;
    }
    if (ASCIIRouterIP.empty()) {
        highstate_scan_net(ASCIIScanNetCB);
        return 1;
    }
    ASCIIRouterName = ASCIIRouterIP;
    ASCIIOpenRouter(ASCIIRouterIP.c_str(), myutil_get_host_addr(ASCIIRouterIP.c_str()));
    return 1;
}

int ASCIIStepPass(const char* line)
{
    int moved = ASCIIRouterListStep();
    moved |= ASCIISelectionStep(line);
    moved |= operation_step(line);
    return moved;
}

void ASCIIMainLoop()
{
    bool idle = false;
    for (;;) {
        if (ASCIIExit)
            break;
        // The one-second tick is always in the list, so this wait is never
        // longer than a second even when a step forgot to say it moved on.
        if (idle)
            ASCIIWaitForEvents(-1);
        int events = ASCIIReadTimer();
        events += ASCIIDoConnectRead();
        std::optional<std::string> line = ASCIIReadKeyboard();
        if (line)
            ++events;
        if (ASCIIExit)
            break;
        int moved = ASCIIStepPass(line ? line->c_str() : nullptr);
        std::fflush(ASCIIOutFile);
        idle = events == 0 && moved == 0;
    }
    if (ASCIIProgram == ASCII_OP_ROUTERCONFIG)
        ASCIIRouterActionsAtExit();
    if (ASCIICloseRouter == 1)
        highstate_close_router();
}

int ASCIIMain(int argc, char** argv)
{
    ASCIIChooseLanguage();
    if (ASCIIParseCommandLine(argc, argv, stderr) != 0)
        return 1;
    ASCIIInitConfig();
    if (!open_report_file())
        return 1;
    if (ASCIIStartOperation())
        ASCIIMainLoop();
    close_report_file();
    std::fflush(stderr);
    return ASCIIExitStatus;
}
