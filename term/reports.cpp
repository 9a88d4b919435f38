#include "reports.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "globals.h"
#include "highstate.h"
#include "list.h"
#include "myutil.h"
#include "printable.h"
#include "terminal.h"
#include "texts.h"
#include "callbacks.h"

namespace {

int screen_counter = 1;   // line-monitor screens shown so far, plus 1
int password_prompt = 0;  // 1 while the open's password prompt waits for its line

constexpr const char* dashes_28 = "----------------------------\n";
constexpr const char* dashes_29 = "-----------------------------\n";
constexpr size_t NAME_SIZE = HOST_LEN + 1;

// The name the host lookup gives can come from the network as well.
std::string name_of(uint32_t address)
{
    char text[NAME_SIZE];
    myutil_get_host_name(address, text);
    return ASCIIPrintable(text);
}

bool report_on_screen()
{
    return ASCIIOutFile == stdout || ASCIIOutFile == stderr;
}

// The five lines of a busy channel, or the empty lines that keep the
// screen's layout for a free one.
void channel_details(const LineMonitorChannel& channel)
{
    FILE* out = ASCIIOutFile;
    if (channel.state == 0) {
        if (ASCIIOutFile == stdout)
            std::fputs("\n\n\n\n\n", out);
        return;
    }
    std::fprintf(out, ASCIIMsg(" connected to   %s\n", " verbunden mit  %s\n"),
                 ASCIIPrintable(channel.peer).c_str());
    std::fprintf(out, "                %s\n", ASCIIPrintable(channel.phone).c_str());
    std::fprintf(out, "%s%8u sec\n", ASCIIMsg(" since          ", " seit           "),
                 channel.duration);
    std::fprintf(out, ASCIIMsg(" Charge         %8u units\n", " Kosten         %8u Einheiten\n"),
                 channel.charge);
    std::fprintf(out,
                 ASCIIMsg(" Packets    --> %8u   %8u -->\n", " Pakete     --> %8u   %8u -->\n"),
                 channel.packets_in, channel.packets_out);
}

}  // namespace

void ASCIIClearScreen()
{
    if (!isatty(STDOUT_FILENO))
        return;
    // Without a terminal type there is no clear sequence to write, and the
    // command would only complain; for a type it does not know it writes
    // nothing and its complaint is not the user's business.
    const char* type = std::getenv("TERM");
    if (type == nullptr || type[0] == '\0')
        return;
    std::fflush(stdout);
    std::fflush(stderr);
    int ignored = std::system("clear 2>/dev/null");
    (void)ignored;
}

void ASCIIResetReports()
{
    screen_counter = 1;
    password_prompt = 0;
}

void ASCIIROVOut()
{
    if (!ASCIIROVData)
        return;
    const RouterState& state = *ASCIIROVData;
    FILE* out = ASCIIOutFile;
    std::fputs(dashes_28, out);
    std::fprintf(out, "Router           %s\n", name_of(state.router_ip).c_str());
    if (state.firmware[0] != '\0') {
        std::fprintf(out, ASCIIMsg("Operating mode   %s / %s\n", "Betriebsart      %s / %s\n"),
                     ASCIIModeText(state.isdn_mode), ASCIILineTypeText(state.line_type));
        std::fprintf(out, "Firmware Version %s\n", ASCIIPrintable(state.firmware).c_str());
    } else {
        std::fprintf(out, ASCIIMsg("Operating mode   %s\n", "Betriebsart      %s\n"),
                     ASCII_UNKNOWN_TEXT);
        std::fprintf(out, "Firmware version %s\n", ASCII_UNKNOWN_TEXT);
    }

    struct ChannelLines {
        int state;
        uint32_t peer;
        const char* phone;
        const char* heading_en;
        const char* heading_de;
        const char* router;
        const char* phone_en;
        const char* phone_de;
    };
    const ChannelLines channels[2] = {
        {state.ch1_state, state.ch1_peer_ip, state.ch1_phone, "Channel 1        %s\n",
         "Kanal 1          %s\n", "   Router           %s\n", "   Phone number     %s\n",
         "   Telefon          %s\n"},
        {state.ch2_state, state.ch2_peer_ip, state.ch2_phone, "Channel 2        %s\n",
         "Kanal 2          %s\n", "   Router        %s\n", "   Phone number  %s\n",
         "   Telefon       %s\n"},
    };
    for (const ChannelLines& channel : channels) {
        int shown = channel.state >= 1 && channel.state <= 5 ? channel.state : 0;
        std::fprintf(out, ASCIIMsg(channel.heading_en, channel.heading_de), ASCIIStatusText(shown));
        if (shown != 0) {
            std::fprintf(out, channel.router, name_of(channel.peer).c_str());
            std::fprintf(out, ASCIIMsg(channel.phone_en, channel.phone_de),
                         ASCIIPrintable(channel.phone).c_str());
        }
    }
    std::fputs(dashes_28, out);
    ASCIIROVData.reset();
}

void ASCIIRCRouterList()
{
    ASCIIClearScreen();
    std::fputs(ASCIIMsg("Router list\n-----------\n\n", "Liste der Router\n----------------\n\n"),
               stderr);
    uint32_t me = myutil_get_my_ip();
    for (int i = 0; i < ASCIINbR; ++i) {
        const uint8_t* hw = ASCIIRouterHWs[i];
        const std::string shown =
            ASCIIRouterIPs[i] == 0 ? "-----------" : name_of(ASCIIRouterIPs[i]);
        bool held_elsewhere = ASCIIRouterExc[i] != 0 && ASCIIRouterExc[i] != me;
        std::fprintf(stderr,
                     held_elsewhere ? " (%2d -> %02x-%02x-%02x-%02x-%02x-%02x     %s)\n"
                                    : "  %2d -> %02x-%02x-%02x-%02x-%02x-%02x     %s\n",
                     i + 1, hw[0], hw[1], hw[2], hw[3], hw[4], hw[5], shown.c_str());
    }
}

void ASCIIAccOut()
{
    FILE* out = ASCIIOutFile;
    bool doubtful = false;
    if (ASCIIAccData != nullptr) {
        int position = -1;
        for (ListNode* node = ASCIIAccData->head; node != nullptr; node = node->next) {
            ++position;
            const auto* line = static_cast<const LineTarget*>(node->element);
            if (line == nullptr)
                continue;
            const AccountingCounters& c = line->counters;
            std::fputs(dashes_29, out);
            std::fprintf(out, "Router        %s\n", ASCIIPrintable(line->host).c_str());
            std::fprintf(out, ASCIIMsg("Phone number  %s\n\n", "Telefon       %s\n\n"),
                         ASCIIPrintable(line->phone).c_str());
            // The router may have reset these counters twice: what it
            // reported is not what it had counted, so it is not shown.
            if (highstate_counters_doubtful(position)) {
                doubtful = true;
                std::fputs(ASCIIMsg("counters doubtful: the router may have reset them twice\n",
                                    "Zaehler zweifelhaft: der Router hat sie moeglicherweise "
                                    "zweimal zurueckgesetzt\n"),
                           out);
                std::fprintf(out, "%s\n", dashes_29);
                continue;
            }
            std::fprintf(out, "        %9s  %9s\n", ASCIIMsg("incoming", "rein"),
                         ASCIIMsg("outgoing", "raus"));
            std::fprintf(out, ASCIIMsg("Calls   %9u  %9u\n", "Anrufe  %9u  %9u\n"), c.calls_in,
                         c.calls_out);
            std::fprintf(out, ASCIIMsg("Packets %9u  %9u\n", "Pakete  %9u  %9u\n"), c.packets_in,
                         c.packets_out);
            std::fprintf(out, "Bytes   %9u  %9u\n\n", c.bytes_in, c.bytes_out);
            std::fprintf(out, ASCIIMsg("charge    %9u units\n", "Kosten    %9u Einheiten\n"),
                         c.charge);
            std::fprintf(out, "%s\n", dashes_29);
        }
    }
    ASCIIAccData = nullptr;
    if (doubtful) {
        std::fputs(ASCIIMsg("Error: counters doubtful, the router may have reset them twice\n",
                            "Fehler: Zaehler zweifelhaft, der Router hat sie moeglicherweise "
                            "zweimal zurueckgesetzt\n"),
                   stderr);
        ASCIIExitStatus = 1;
    }
    ASCIIExit = 1;
}

void ASCIILMOut()
{
    if (!ASCIILMData)
        return;
    LineMonitorData data = *ASCIILMData;
    FILE* out = ASCIIOutFile;
    if (report_on_screen()) {
        ASCIIClearScreen();
        std::fprintf(out, ASCIIMsg("Changes    : %d\n\n", "Aenderungen: %d\n\n"), screen_counter);
    }
    for (LineMonitorChannel& channel : data.channel)
        if (channel.state < 0 || channel.state > 5)
            channel.state = 0;

    std::fprintf(out, "Router         %s\n", ASCIIPrintable(ASCIIRouterName).c_str());
    std::fprintf(out, ASCIIMsg("Phone number   %s\n\n", "Telefon        %s\n\n"),
                 ASCIIPrintable(ASCIIRTN).c_str());
    std::fprintf(out, ASCIIMsg("Channel 1       %s\n", "Kanal 1         %s\n"),
                 ASCIIStatusText(data.channel[0].state));
    channel_details(data.channel[0]);
    std::fprintf(out, ASCIIMsg("Channel 2       %s\n", "Kanal 2         %s\n"),
                 ASCIIStatusText(data.channel[1].state));
    channel_details(data.channel[1]);
    std::fflush(out);

    if (report_on_screen() || screen_counter == 1)
        std::fputs(ASCIIMsg("Input (quit) --> ", "Eingabe (quit) --> "), stderr);
    ++screen_counter;
    ASCIILMData.reset();
}

void ASCIIPassWDToOpen(const char* line)
{
    if (!password_prompt) {
        ASCIIHiddenPrompt(ASCIIMsg(" Password --> ", " Passwort --> "));
        password_prompt = 1;
        return;
    }
    if (line == nullptr)
        return;
    password_prompt = 0;
    std::fputs("\n", stderr);
    ASCIIEchoOn();
    std::string typed = line;
    if (typed.size() > static_cast<size_t>(PASSWORD_LEN)) {
        // The back end would send nothing for it and the open would hang.
        std::fputs(ASCIIMsg("Max. 10 characters\n", "maximale Passwortlaenge 10 Zeichen\n"),
                   stderr);
        return;
    }
    ASCIIFinishedOpen = 0;
    ASCIIPasswd = typed;
    highstate_send_password(ASCIIOpenRouterCB, ASCIISeqNb, typed.c_str(), ASCIIPasswdKey);
}
