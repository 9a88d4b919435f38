#include "router_actions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "firmware_image.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "list.h"
#include "myutil.h"
#include "printable.h"
#include "reports.h"
#include "texts.h"

namespace {

// The record the actions read after they have been started; it lives until
// the program ends.
RouterSettings router_record;

// 1 while the download's progress stands on a line without its line end.
bool progress_line_open = false;
bool progress_held = false;  // a question stands where the progress would go

// The summary's texts in one language.
struct SummaryTexts {
    const char* heading;
    const char* rule;
    const char* name;
    const char* netmask;
    const char* phone;
    const char* mode;
    const char* permanent;
    const char* firmware;
    const char* password;
    const char* exclusive_1;
    const char* exclusive_2;
    const char* actions;
    const char* actions_rule;
    const char* download;
    const char* change_password;
    const char* change_config;
    const char* yes;
    const char* no;
    const char* no_permanent;
};

constexpr SummaryTexts summary_english = {
    "New router configuration\n",
    "------------------------\n\n",
    "%c Router name          : %s\n",
    "%c Net mask             : %s\n",
    "%c Router phone number  : %s\n",
    "%c Router operating mode: %s\n",
    "%c permanent connections: %s\n",
    "%c Router firmware      : %s\n",
    "%c New password         : %s\n",
    "%c Connfiguration exclu-\n",
    "  sively by this host  : %s\n\n",
    "Actions\n",
    "-------\n\n",
    "  Download required     : %s\n",
    "  Change password       : %s\n",
    "  Change configuration  : %s\n\n",
    "yes",
    "no",
    "none ",
};

constexpr SummaryTexts summary_german = {
    "neue Routerkonfiguration\n",
    "------------------------\n\n",
    "%c Routername           : %s\n",
    "%c Netzmaske            : %s\n",
    "%c Router Telefonnummer : %s\n",
    "%c Router Betriebsart   : %s\n",
    "%c Festverbindung       : %s\n",
    "%c Router Firmware      : %s\n",
    "%c neues Passwort       : %s\n",
    "%c nur durch diesen Host\n",
    "  zu konfigurieren     : %s\n\n",
    "Aktionen\n",
    "--------\n\n",
    "  Download erforderlich : %s\n",
    "  Passwort aendern      : %s\n",
    "  Konfiguration aendern : %s\n\n",
    "ja",
    "nein",
    "keine",
};

char mark(int change)
{
    return change == 1 ? '!' : ' ';
}

// Fills the record from the dialogue's values. Without a new password the
// router keeps the one it was opened with: the image and a password change
// both set the password, and an empty one would delete it.
void build_record()
{
    std::memset(&router_record, 0, sizeof router_record);
    myutil_copy_text(router_record.name, ASCIIRouterName.c_str());
    myutil_copy_text(router_record.netmask, ASCIINetzMaske.c_str());
    myutil_copy_text(router_record.phone, ASCIIRTN.c_str());
    router_record.isdn_mode = static_cast<uint8_t>(ASCIIOpModeNb);
    myutil_copy_text(router_record.firmware, ASCIIFirmWare.c_str());
    router_record.line_type = static_cast<uint8_t>(ASCIIHardConn);
    myutil_copy_text(router_record.password,
                     ASCIIPasswordC == 1 ? ASCIIPassword.c_str() : ASCIIPasswd.c_str());
    router_record.exclusive = ASCIIExclusiv;
}

void report_download_failure()
{
    std::string path = file_firmware_path(ASCIIOpModeNb, ASCIIFirmWare.c_str());
    std::fprintf(stderr,
                 ASCIIMsg("Error: firmware download from %s can not be started\n",
                          "Fehler: Firmwaredownload aus %s kann nicht gestartet werden\n"),
                 ASCIIPrintable(path).c_str());
}

void start_download()
{
    ASCIIDoDownLoadF = 0;
    std::fputs(ASCIIMsg("Starting firmware download\n", "Beginne Firmwaredownload\n"), stderr);
    // A version the record cannot hold whole would name another image.
    bool started = ASCIIFirmWare.size() <= static_cast<size_t>(FIRMWARE_LEN);
    if (started) {
        ListObject* lines = nullptr;
        ListObject* routes = nullptr;
        ListObject* filters = nullptr;
        if (ASCIIRouterConfig != 0 && ASCIIHardConnC == 1) {
            // The other permanent-connection type takes none of the old tables.
            lines = routes = filters = list_object_instance;
        } else if (ASCIIRouterConfig != 0) {
            lines = main_line_list;
            routes = main_route_list;
            filters = main_filter_list;
        }
        started = interface_firmwaredownload(ASCIIRouterHW, &router_record, lines, routes, filters,
                                             ASCIIDLCB, ASCIIGetPCB) != 0;
    }
    if (!started) {
        // Nothing was sent: the router keeps what it has.
        ASCIIDLInP = 0;
        report_download_failure();
        ASCIIFail();
    }
}

}  // namespace

void ASCIIShowSummary()
{
    ASCIIDoDownLoad = ASCIIFirmWareC == 1 || ASCIIOpModeC == 1 || ASCIIHardConnC == 1 ? 1 : 0;
    ASCIIDoPassword = ASCIIPasswordC == 1 || ASCIIExclusivC == 1 ? 1 : 0;
    ASCIIDoConfig = ASCIIRouterNameC == 1 || ASCIINetzMaskeC == 1 || ASCIIRTNC == 1 ? 1 : 0;

    ASCIIClearScreen();
    const SummaryTexts& t = English ? summary_english : summary_german;
    auto yes_no = [&t](int value) { return value == 1 ? t.yes : t.no; };
    FILE* err = stderr;
    std::fputs(t.heading, err);
    std::fputs(t.rule, err);
    std::fprintf(err, t.name, mark(ASCIIRouterNameC), ASCIIPrintable(ASCIIRouterName).c_str());
    std::fprintf(err, t.netmask, mark(ASCIINetzMaskeC), ASCIIPrintable(ASCIINetzMaske).c_str());
    std::fprintf(err, t.phone, mark(ASCIIRTNC), ASCIIPrintable(ASCIIRTN).c_str());
    std::fprintf(err, t.mode, mark(ASCIIOpModeC), ASCIIOpMode);
    std::fprintf(err, t.permanent, mark(ASCIIHardConnC),
                 ASCIIHardConn == 0 ? t.no_permanent : ASCIILineTypeText(ASCIIHardConn));
    std::fprintf(err, t.firmware, mark(ASCIIFirmWareC), ASCIIPrintable(ASCIIFirmWare).c_str());
    std::fprintf(err, t.password, mark(ASCIIPasswordC), yes_no(ASCIIPasswordC));
    std::fprintf(err, t.exclusive_1, mark(ASCIIExclusivC));
    std::fprintf(err, t.exclusive_2, yes_no(ASCIIExclusiv));
    std::fputs(t.actions, err);
    std::fputs(t.actions_rule, err);
    std::fprintf(err, t.download, yes_no(ASCIIDoDownLoad));
    std::fprintf(err, t.change_password, yes_no(ASCIIDoPassword));
    std::fprintf(err, t.change_config, yes_no(ASCIIDoConfig));
}

void ASCIIStartActions()
{
    build_record();
    ASCIIDoDownLoadF = 1;
    ASCIIDoPasswordF = 1;
    ASCIIDoConfigF = 1;
    ASCIIDLInP = 1;

    if (ASCIIDoDownLoad == 1) {
        // The image carries the settings, the password and the exclusive
        // flag: nothing else is sent.
        start_download();
        return;
    }
    if (ASCIIDoPassword == 1) {
        ASCIIDoPasswordF = 0;
        if (ASCIIDoConfig == 0)
            ASCIIStartPasswordChange();
    }
    if (ASCIIDoConfig == 1) {
        // The password, when due, follows from the settings' callback, so the
        // settings always go first.
        std::fputs(ASCIIMsg("Save configuration\n", "Sichere Konfiguration\n"), stderr);
        ASCIIDoConfigF = 0;
        highstate_put_router_data(ASCIIPutRDataCB, &router_record);
    }
}

int ASCIIActionsWait()
{
    if (ASCIIDoDownLoadF == 1 && ASCIIDoPasswordF == 1 && ASCIIDoConfigF == 1) {
        ASCIIExit = 1;
        return 1;
    }
    return 0;
}

void ASCIIStartPasswordChange()
{
    std::fputs(ASCIIMsg("Set new password\n", "Setze neues Passwort\n"), stderr);
    highstate_set_password(ASCIIPWDCB, router_record.password, ASCIIPasswd.c_str(),
                           router_record.exclusive);
}

const RouterSettings* ASCIIRouterRecord()
{
    return &router_record;
}

void ASCIIResetActions()
{
    std::memset(&router_record, 0, sizeof router_record);
    progress_line_open = false;
    progress_held = false;
}

void ASCIIHoldProgress(bool hold)
{
    progress_held = hold;
}

void ASCIIEndProgressLine()
{
    if (!progress_line_open)
        return;
    progress_line_open = false;
    std::fputs("\n", stderr);
}

void ASCIIPWDCB(int /*status*/)
{
    ASCIIDoPasswordF = 1;
}

void ASCIIPutRDataCB(int /*status*/)
{
    ASCIIDoConfigF = 1;
    if (ASCIIDoPasswordF == 0)
        ASCIIStartPasswordChange();
}

void ASCIIGetPCB(int percent)
{
    if (progress_held)
        return;
    std::fprintf(stderr, "\r%3d %%", percent);
    progress_line_open = true;
    if (percent == 100)
        std::fputs(ASCIIMsg("\nWaiting for router to respond", "\nWarte auf Meldung vom Router"),
                   stderr);
    std::fflush(stderr);
}

void ASCIIDLCB(ScanAnswer* /*answer*/)
{
    ASCIIDoDownLoadF = 1;
    ASCIIDLInP = 0;
    progress_line_open = false;
    std::fputs(ASCIIMsg("\nReady\n", "\nFertig\n"), stderr);
}
