#include "host_services.h"

#include <cstdio>
#include <cstdlib>
#include <poll.h>

#include "config_file.h"
#include "globals.h"
#include "terminal.h"
#include "texts.h"
#include "timers.h"

int ASCIISocketFd = -1;
HostCallback SelCB = nullptr;

int main_register(HostCallback callback, int descriptor)
{
    ASCIISocketFd = descriptor;
    SelCB = callback;
    return 0;
}

int main_add_timer(HostCallback callback, int seconds)
{
    return ASCIISetTimer(static_cast<double>(seconds), 0, callback);
}

int main_add_fine_timer(HostCallback callback, int milliseconds)
{
    return ASCIISetTimer(static_cast<double>(milliseconds) / 1000.0, 0, callback);
}

int ASCIIDoConnectRead()
{
    if (ASCIISocketFd < 0 || SelCB == nullptr)
        return 0;
    pollfd watch{ASCIISocketFd, POLLIN | POLLPRI, 0};
    if (poll(&watch, 1, 0) <= 0)
        return 0;
    // An invalid descriptor would be "ready" on every pass; the reader must
    // only run when there is something to take.
    if (watch.revents & POLLNVAL)
        return 0;
    SelCB();
    return 1;
}

std::optional<std::string> ASCIIReadKeyboard()
{
    std::fflush(stderr);
    std::string line;
    switch (ASCIITerminalRead(&line)) {
    case ASCIIKeyState::NONE:
        return std::nullopt;
    case ASCIIKeyState::END:
        ASCIIExit = 1;
        return std::nullopt;
    case ASCIIKeyState::LINE:
        break;
    }
    // While the router is being written, "quit" first asks whether to break
    // the write off (run_end).
    if (line == "quit" && ASCIIWriteUnderWay() == ASCIIWriteState::NONE)
        ASCIIExit = 1;
    return line;
}

void ASCIIWaitForEvents(int limit_ms)
{
    pollfd watch[2];
    nfds_t count = 0;
    if (ASCIISocketFd >= 0 && SelCB != nullptr)
        watch[count++] = pollfd{ASCIISocketFd, POLLIN | POLLPRI, 0};
    int terminal = ASCIITerminalFd();
    if (terminal >= 0)
        watch[count++] = pollfd{terminal, POLLIN, 0};
    int timeout = ASCIITimerWaitMs();
    if (limit_ms >= 0 && (timeout < 0 || limit_ms < timeout))
        timeout = limit_ms;
    // Nothing to wait for at all would block for ever.
    if (count == 0 && timeout < 0)
        return;
    // A signal that interrupts the wait only ends it early; the pass that
    // follows polls everything again.
    poll(watch, count, timeout);
}

std::string ASCIIErrorMessage(int code)
{
    char text[160];
    if (const char* entry = ASCIIErrorText(code)) {
        std::snprintf(text, sizeof text, ASCIIMsg("Error: %s\n", "Fehler: %s\n"), entry);
        return text;
    }
    switch (code) {
    case LOWSTATE_UNEXPECTED_REQUEST:
        return ASCIIMsg("Error: protocol violation\n", "Fehler: Protokollverletzung\n");
    case LOWSTATE_NO_ACK:
        return ASCIIMsg("Error: no receipt from remote station\n",
                        "Fehler: Keine Quittung empfangen\n");
    case LOWSTATE_BUSY:
        return ASCIIMsg("error: currently no data transfer possible\n",
                        "Fehler: Zur Zeit koennen keine Daten gesendet werden\n");
    default:
        std::snprintf(text, sizeof text,
                      ASCIIMsg("Internal error (%d)!\n", "Fehler %d augetreten!\n"), code);
        return text;
    }
}

namespace {

int tables_write_unfinished = 0;

}  // namespace

void ASCIISetTablesWriteUnfinished(int unfinished)
{
    tables_write_unfinished = unfinished;
}

int ASCIITablesWriteUnfinished()
{
    return tables_write_unfinished;
}

ASCIIWriteState ASCIIWriteUnderWay()
{
    if (ASCIITablesWriteUnfinished() == 1)
        return ASCIIWriteState::TABLES;
    if (ASCIIDLInP != 1)
        return ASCIIWriteState::NONE;
    if (ASCIIDoDownLoad == 1 && ASCIIDoDownLoadF == 0)
        return ASCIIWriteState::CONFIGURATION;
    if (ASCIIDoConfigF == 0 || ASCIIDoPasswordF == 0)
        return ASCIIWriteState::SETTINGS;
    return ASCIIWriteState::NONE;
}

void ASCIIReportWriteError(const char* path)
{
    std::fprintf(stderr,
                 ASCIIMsg("Error: can not write file %s\n",
                          "Fehler: Datei %s kann nicht geschrieben werden\n"),
                 path);
}

void ASCIIReportNoTerminal()
{
    std::fprintf(stderr,
                 ASCIIMsg("Error: no terminal for input (%s)\n",
                          "Fehler: kein Terminal fuer die Eingabe (%s)\n"),
                 ASCII_TERMINAL);
}

int ASCIISaveEmergencyCopy()
{
    if (main_line_list == nullptr && main_route_list == nullptr && main_filter_list == nullptr)
        return 0;
    RouterSettings record;
    ASCIIBuildRouterRecord(&record);
    if (!file_save_emergency(main_line_list, main_route_list, main_filter_list, &record)) {
        ASCIIReportWriteError(ASCII_SAVE_FILE);
        return 0;
    }
    if (English)
        std::fprintf(stderr, "Configuration saved to file %s\n", ASCII_SAVE_FILE);
    else
        std::fprintf(stderr, "Konfiguration in der Datei %s gesichert\n", ASCII_SAVE_FILE);
    return 1;
}

int ASCIISavePartlyWritten()
{
    std::fputs(ASCIIMsg("The router's tables may be partly written\n",
                        "Die Tabellen im Router sind moeglicherweise nur teilweise geschrieben\n"),
               stderr);
    // The lists hold the file's tables, which the user still has; what the
    // router held before is known only from the read.
    RouterSettings record;
    ASCIIBuildRouterRecord(&record);
    if (!file_save_emergency(main_line_list_copy, main_route_list_copy, main_filter_list_copy,
                             &record)) {
        ASCIIReportWriteError(ASCII_SAVE_FILE);
        return 0;
    }
    std::fprintf(
        stderr,
        ASCIIMsg("The tables read before the write were saved to file %s\n",
                 "Die vor dem Schreiben gelesenen Tabellen wurden in der Datei %s gesichert\n"),
        ASCII_SAVE_FILE);
    return 1;
}
