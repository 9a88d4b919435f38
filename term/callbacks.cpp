#include "callbacks.h"

#include <cstdio>
#include <cstring>

#include "config_file.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "list.h"
#include "printable.h"
#include "protocols.h"
#include "textfile.h"
#include "texts.h"

namespace {

// The notice about protocol parameters without definitions. The two
// table-load callbacks word it slightly differently. It says that the
// definitions were saved only when a file of them was written.
void print_unknown_notice(bool linetarget_wording, const SavedName& added, const SavedName& saved)
{
    if (added.path[0] != '\0') {
        if (English) {
            std::fputs(linetarget_wording ? "The router contains unknown protocols, the\n"
                                          : "Router contains unknown protocols, the\n",
                       stderr);
            std::fputs("definitions of which have been saved in\n", stderr);
            std::fprintf(stderr, "%s, matching have been saved in\n", file_add_shown_name(added));
            std::fprintf(stderr, "%s.\n", saved.path);
        } else {
            std::fputs(linetarget_wording ? "Der Router enthaelt undefinierte Protokolle, deren\n"
                                          : "Der Router enthaelt undefinierte Protokolls, deren\n",
                       stderr);
            std::fprintf(stderr,
                         linetarget_wording ? "Definition in %s gesichert wurden. Die\n"
                                            : "Definition in %s gesichert wurden. Die \n",
                         file_add_shown_name(added));
            std::fprintf(stderr, "gueltigen Verbindungen wurden nach %s\n", saved.path);
            std::fputs("gespeichert.\n", stderr);
        }
        return;
    }
    if (English) {
        std::fputs(linetarget_wording ? "The router contains unknown protocols, for which\n"
                                      : "Router contains unknown protocols, for which\n",
                   stderr);
        std::fputs("no definitions have been saved; matching have been saved in\n", stderr);
        std::fprintf(stderr, "%s.\n", saved.path);
    } else {
        std::fputs("Der Router enthaelt undefinierte Protokolle, fuer die\n", stderr);
        std::fputs("keine Definition gesichert wurde. Die\n", stderr);
        std::fprintf(stderr, "gueltigen Verbindungen wurden nach %s\n", saved.path);
        std::fputs("gespeichert.\n", stderr);
    }
}

// Writes "qorvel.add" for the line targets without a definition; when there
// are any, saves the rest to the emergency copy and tells the user (the
// notice only when the copy was written). Returns 1 when there were any.
bool handle_unknown_protocols(bool linetarget_wording)
{
    int unknown = 0;
    SavedName added;
    const int add_ok = file_write_protocols(main_line_list, &unknown, &added);
    if (!unknown || ASCIIProgram == ASCII_OP_ROUTERCONFIG)
        return unknown != 0;
    if (!add_ok)
        ASCIIReportWriteError(file_data_path(PROTO_ADD_FILE).c_str());

    RouterSettings record;
    ASCIIBuildRouterRecord(&record);
    SavedName saved;
    if (!file_save_emergency(main_line_list, main_route_list, main_filter_list, &record, &saved)) {
        ASCIIReportWriteError(ASCII_SAVE_FILE);
        return true;
    }
    print_unknown_notice(linetarget_wording, added, saved);
    return true;
}

}  // namespace

void ASCIIRouterOverViewCB(RouterState* state)
{
    if (state->status != 0) {
        ASCIIRouterOVF = -1;
        return;
    }
    ASCIIRouterOVF = 1;
    if (ASCIIFindRouter(state->router_ip) >= 0) {
        ASCIIROVData.reset();
        return;
    }
    // A full table can no longer tell repeats apart; the answer is shown all
    // the same, at worst twice.
    if (ASCIINbR < ASCII_MAX_ROUTERS)
        ASCIIRouterIPs[ASCIINbR++] = state->router_ip;
    ASCIIROVData = *state;
}

void ASCIIScanNetCB(ScanAnswer* answer)
{
    if (answer->status != 0) {
        ASCIIRouterOVF = -1;
        return;
    }
    ASCIIRouterOVF = 1;
    if (ASCIIFindRouter(answer->router_ip) >= 0 || ASCIINbR >= ASCII_MAX_ROUTERS)
        return;
    int i = ASCIINbR++;
    ASCIIRouterIPs[i] = answer->router_ip;
    std::memcpy(ASCIIRouterHWs[i], answer->hw, 6);
    ASCIIRouterHWs[i][6] = 0;
    ASCIIRouterExc[i] = answer->holder_ip;
}

void ASCIIOpenRouterCB(OpenReply* reply)
{
    switch (reply->kind) {
    case OPEN_ACCEPTED:
        ASCIIRouterConfig = 1;
        ASCIINetzMaske = reply->text;
        ASCIIRTN = reply->phone;
        ASCIIOpModeNb = reply->isdn_mode;
        ASCIIOpMode = ASCIIModeText(reply->isdn_mode);
        ASCIIFirmWare = reply->firmware;
        ASCIINbLines = reply->n_lines;
        ASCIINbRoutes = reply->n_routes;
        ASCIINbFilter = reply->n_filters;
        ASCIIHardConn = reply->line_type;
        ASCIICloseRouter = 1;
        ASCIIFinishedOpen = 1;
        return;
    case OPEN_PASSWORD:
        std::fputs(ASCIIMsg("This Router requires a password\n", "Router verlangt ein Passwort\n"),
                   stderr);
        ASCIIPasswdKey = reply->seed;
        ASCIISeqNb = reply->seq;
        ASCIIPasswdReq = 1;
        ASCIIFinishedOpen = 2;
        return;
    default:
        break;
    }
    switch (reply->reason) {
    case 3:
        std::fputs(ASCIIMsg("Wrong password. Cannot open this router\n",
                            "ungueltiges Passwort  Router kann nicht geoeffnet werden\n"),
                   stderr);
        break;
    case 4:
        std::fprintf(stderr,
                     ASCIIMsg("Router is already connected to station %s\n",
                              "es besteht schon eine Verbindung zu einem anderen Rechner (%s)\n"),
                     ASCIIPrintable(reply->text).c_str());
        break;
    case 5:
        std::fputs(ASCIIMsg("This host is not allowed to open router\n",
                            "Router darf von diesem Host nicht geoeffnet werden\n"),
                   stderr);
        break;
    case 6:
        std::fputs(ASCIIMsg("Router does not respond\n", "Router meldet sich nicht\n"), stderr);
        break;
    default:
        std::fputs(ASCIIMsg("Error: cannot open router\n", "Fehler beim Oeffnen des Routers\n"),
                   stderr);
        break;
    }
    ASCIIFinishedOpen = -1;
    ASCIIFail();
}

void ASCIIAccInterfLoadCB(ListObject* lines, ListObject* routes, ListObject* filters)
{
    main_line_list = lines;
    main_route_list = routes;
    main_filter_list = filters;
    if (handle_unknown_protocols(false) && ASCIIProgram != ASCII_OP_ROUTERCONFIG)
        ASCIIFail();
    ASCIILoadF = 1;
}

void ASCIIInterfLoadCB(ListObject* lines, ListObject* routes, ListObject* filters)
{
    main_line_list = lines;
    main_route_list = routes;
    main_filter_list = filters;
    auto copy = [](ListObject* list) {
        return list != nullptr ? list->ops->list_copy(list) : nullptr;
    };
    main_line_list_copy = copy(lines);
    main_route_list_copy = copy(routes);
    main_filter_list_copy = copy(filters);
    if (handle_unknown_protocols(true))
        ASCIIFail();

    int line = 0;
    int column = 0;
    ASCIIError = file_load_config(ASCIIFileName.c_str(), &main_line_list, &main_route_list,
                                  &main_filter_list, &line, &column, ASCIIHardConn);
    if (ASCIIError == CFG_OK) {
        ASCIILoadF = 1;
        return;
    }
    if (ASCIIError == CFG_CANNOT_OPEN)
        std::fputs(
            ASCIIMsg("Error during loading configuration. Can not open file\n",
                     "Fehler beim Laden der Konfiguration. Datei kann nicht geoeffnet werden.\n"),
            stderr);
    else
        std::fprintf(stderr,
                     ASCIIMsg("Error %s during loading configuration. line %d column %d\n",
                              "Fehler %s beim Laden der Konfiguration in Zeile %d Spalte %d\n"),
                     ASCIIFileErrorText(ASCIIError), line, column);
    ASCIIFail();
    ASCIILoadF = -1;
}

void ASCIIWriteTables()
{
    ASCIISetTablesWriteUnfinished(1);
    interface_save_config(main_line_list, main_line_list_copy, main_route_list,
                          main_route_list_copy, main_filter_list, main_filter_list_copy,
                          ASCIISaveConfCB);
}

void ASCIISaveConfCB(int /*count*/)
{
    ASCIISetTablesWriteUnfinished(0);
    ASCIISaveConfigF = 1;
}

void ASCIILineMonitorCB(LineMonitorData* data)
{
    ASCIILMData = *data;
    ASCIILineMonitorF = 1;
}

void ASCIIAccountingCB(ListObject* lines)
{
    ASCIIAccData = lines;
    ASCIIAccCBF = 1;
}
