#include "driver.h"

#include <csignal>
#include <cstdio>

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
#include "run_end.h"
#include "signals.h"
#include "startup.h"
#include "terminal.h"
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
            ASCIINoteLineMonitor();
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

// Opens the report file named with -f. Returns 0 when it cannot be opened.
int open_report_file()
{
    if (ASCIIFileName.empty() || ASCIIProgram == ASCII_OP_LINETARGET ||
        ASCIIProgram == ASCII_OP_SAVECONFIG)
        return 1;
    std::fprintf(stderr, ASCIIMsg("Output directed to %s\n", "Ausgabeumlenkung nach %s\n"),
                 ASCIIFileName.c_str());
    FILE* file = std::fopen(ASCIIFileName.c_str(), "w");
    if (file == nullptr) {
        ASCIIReportWriteError(ASCIIFileName.c_str());
        return 0;
    }
    ASCIIOutFile = file;
    return 1;
}

// The name of the report stream in a message.
const char* report_stream_name()
{
    return ASCIIOutFile == stdout ? "/dev/stdout" : ASCIIFileName.c_str();
}

// A report that did not reach its stream fails the run, with one message
// however often it is found. A closed pipe ("| head") is no failure: its
// SIGPIPE ends the run.
void report_stream_failed()
{
    static bool reported = false;
    if (reported || ASCIIEndingSignal() == SIGPIPE)
        return;
    reported = true;
    ASCIIReportWriteError(report_stream_name());
    ASCIIFail();
}

// Flushes the report stream; a failed write found now ends the run.
void flush_report_stream()
{
    if (ASCIIOutFile == nullptr)
        return;
    if (std::fflush(ASCIIOutFile) != 0 || std::ferror(ASCIIOutFile) != 0)
        report_stream_failed();
}

// Closes the report file, or flushes standard output, at the end of the run;
// a report that did not reach it is a failure.
void close_report_file()
{
    if (ASCIIOutFile == stderr || ASCIIOutFile == nullptr)
        return;
    if (ASCIIOutFile == stdout) {
        flush_report_stream();
        return;
    }
    bool failed = std::ferror(ASCIIOutFile) != 0;
    if (std::fclose(ASCIIOutFile) != 0)
        failed = true;
    if (failed) {
        report_stream_failed();
        ASCIIExitStatus = 1;
    }
    ASCIIOutFile = stdout;
}

// A stop (Ctrl-Z) and a continue between two passes: the terminal gets its
// own mode while stopped, and the time spent stopped does not count against
// the router.
void stop_and_continue()
{
    if (ASCIITakeStopRequest()) {
        ASCIITerminalBeforeStop();
        ASCIIStopNow();
        // A group that no shell controls is not stopped: go on as after a
        // continue.
        ASCIITakeContinued();
        ASCIIResumeTimers();
        ASCIITerminalAfterContinue();
        return;
    }
    if (ASCIITakeContinued()) {
        ASCIIResumeTimers();
        ASCIITerminalAfterContinue();
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
        stop_and_continue();
        if (int sig = ASCIIEndingSignal()) {
            ASCIIBreakOff(sig);
            break;
        }
        if (ASCIIExit)
            break;
        // The one-second tick is always in the list, so this wait is never
        // longer than a second even when a step forgot to say it moved on.
        // A signal ends it at once.
        if (idle) {
            ASCIIWaitForEvents(-1);
            idle = false;
            continue;
        }
        int events = ASCIIReadTimer();
        events += ASCIIDoConnectRead();
        std::optional<std::string> line = ASCIIReadKeyboard();
        if (line) {
            ++events;
            if (ASCIIOfferToBreakOff(*line))
                line.reset();
        }
        if (ASCIIExit)
            break;
        int moved = ASCIIStepPass(line ? line->c_str() : nullptr);
        flush_report_stream();
        idle = events == 0 && moved == 0;
    }
    // The exit flag came while the router was still being written (the
    // end of the terminal's input, a failed report): the write is broken
    // off as a failure would end it.
    if (ASCIIWriteUnderWay() != ASCIIWriteState::NONE)
        ASCIIBreakOff(ASCIIEndingSignal());
    if (ASCIIBreakOffAsked())
        std::fputs("\n", stderr);
    ASCIILeaveHiddenInput();
    ASCIITellRouterTheEnd();
}

int ASCIIMain(int argc, char** argv)
{
    ASCIIGuardStandardDescriptors();
    ASCIIChooseLanguage();
    if (ASCIIParseCommandLine(argc, argv, stderr) != 0)
        return 1;
    ASCIICatchSignals();
    ASCIIInitConfig();
    if (!open_report_file())
        return 1;
    if (ASCIIStartOperation())
        ASCIIMainLoop();
    close_report_file();
    std::fflush(stderr);
    // A run ended by a signal ends by it, now that the router has been told
    // and the terminal put right.
    if (int sig = ASCIIEndingSignal())
        ASCIIEndBySignal(sig);
    return ASCIIExitStatus;
}
