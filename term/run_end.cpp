#include "run_end.h"

#include <cstdio>
#include <cstdlib>

#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "router_actions.h"
#include "signals.h"
#include "terminal.h"
#include "texts.h"

namespace {

bool question_open = false;  // the break-off question waits for its answer
bool monitor_running = false;

void ask_break_off()
{
    ASCIIEndProgressLine();
    ASCIIHoldProgress(true);
    question_open = true;
    std::fputs(ASCIIMsg("The router is still being written. Break off anyway (y/n) --> ",
                        "Der Router wird noch beschrieben. Trotzdem abbrechen (j/n) --> "),
               stderr);
}

void close_question()
{
    question_open = false;
    ASCIIHoldProgress(false);
}

bool is_yes(const std::string& line)
{
    return line == ASCIIMsg("y", "j");
}

}  // namespace

void ASCIIReportUnfinishedWrite()
{
    switch (ASCIIWriteUnderWay()) {
    case ASCIIWriteState::TABLES:
        ASCIISavePartlyWritten();
        return;
    case ASCIIWriteState::CONFIGURATION:
        std::fputs(ASCIIMsg("The router may be left without configuration\n",
                            "Der Router ist moeglicherweise ohne Konfiguration\n"),
                   stderr);
        ASCIISaveEmergencyCopy();
        return;
    default:
        // The dialogue's actions put the tables read at risk until they end.
        if (ASCIIDLInP == 1)
            ASCIISaveEmergencyCopy();
        return;
    }
}

int ASCIIOfferToBreakOff(const std::string& line)
{
    if (ASCIIWriteUnderWay() == ASCIIWriteState::NONE) {
        // The write ended while the question waited: the run ends as it
        // would have, and the answer means nothing any more.
        if (question_open) {
            close_question();
            return 1;
        }
        return 0;
    }
    if (!question_open) {
        if (line != "quit")
            return 0;
        ask_break_off();
        return 1;
    }
    if (is_yes(line) || line == "quit") {
        close_question();
        ASCIIBreakOff(0);
    } else if (line == "n") {
        close_question();
    } else {
        ask_break_off();
    }
    return 1;
}

int ASCIIBreakOffAsked()
{
    return question_open ? 1 : 0;
}

void ASCIIBreakOff(int sig)
{
    ASCIIWriteState state = ASCIIWriteUnderWay();
    ASCIITellRouterTheEnd();
    ASCIIEndProgressLine();
    ASCIILeaveHiddenInput();
    if (question_open) {
        close_question();
        std::fputs("\n", stderr);
    }
    ASCIIExit = 1;
    if (state == ASCIIWriteState::NONE)
        return;
    if (sig != 0)
        std::fprintf(stderr, ASCIIMsg("Interrupted by %s\n", "Unterbrochen durch %s\n"),
                     ASCIISignalName(sig));
    ASCIIReportUnfinishedWrite();
    std::fputs(ASCIIMsg("Abort...\n", "Programm wird abgebrochen...\n"), stderr);
    // Broken off: nothing is under way any more, and nothing at the end of
    // the run reports it a second time.
    ASCIISetTablesWriteUnfinished(0);
    ASCIIDLInP = 0;
    ASCIIExitStatus = 1;
}

void ASCIINoteLineMonitor()
{
    monitor_running = true;
}

void ASCIITellRouterTheEnd()
{
    // A second acknowledged request while one is still unacknowledged would
    // end the run as a failure; the close stops the monitor as well.
    if (monitor_running && !highstate_ack_awaited())
        highstate_stop_linemon();
    monitor_running = false;
    highstate_abandon_router();
}

void ASCIIResetRunEnd()
{
    close_question();
    monitor_running = false;
}

void main_error(int code)
{
    ASCIIEndProgressLine();
    ASCIILeaveHiddenInput();
    std::fputs(ASCIIErrorMessage(code).c_str(), stderr);
    // Only while the dialogue's actions run (a reset and download may have
    // emptied the router) are the tables read at risk, and then they are the
    // router's own; and while linetarget writes, when the router may be left
    // with part of the new tables. Any other failure leaves them safe in
    // their router (for linetarget the lists even hold the file's tables).
    ASCIIReportUnfinishedWrite();
    std::fputs(ASCIIMsg("Abort...\n", "Programm wird abgebrochen...\n"), stderr);
    std::fflush(stderr);
    // exit() runs the terminal's restore and flushes the report stream.
    std::exit(1);
}
