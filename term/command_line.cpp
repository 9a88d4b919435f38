#include "command_line.h"

#include <cstdlib>
#include <cstring>

#include "globals.h"
#include "texts.h"

namespace {

struct SubCommand {
    const char* word;
    int program;
};

constexpr SubCommand sub_commands[] = {
    {"rov", ASCII_OP_ROV},
    {"accounting", ASCII_OP_ACCOUNTING},
    {"linemonitor", ASCII_OP_LINEMONITOR},
    {"linetarget", ASCII_OP_LINETARGET},
    {"routerconfig", ASCII_OP_ROUTERCONFIG},
    {"saveconfig", ASCII_OP_SAVECONFIG},
};

// A usage line and what fills its %s: the program name or the variable name.
struct UsageLine {
    const char* text;
    bool takes_variable;
};

constexpr UsageLine usage_english[] = {
    {"usage:\n\n%s rov|accounting|linemonitor|linetarget|routerconfig|saveconfig [-f file] [-ip router]\n\n",
     false},
    {" %s rov [-f file]\n", false},
    {"       Router Overview. Use -f to save contens of overview in a file.\n\n", false},
    {" %s accounting [-f file] [-ip router] [-reset]\n", false},
    {"       Displays accounting values of router. Specify router with -ip router.\n", false},
    {"       Type -reset to reset the charge. Use -f to save accounting data in a\n", false},
    {"       file.\n\n", false},
    {" %s linemonitor [-f file] [-ip router]\n", false},
    {"       Displays connection data of router. Use options as above.\n\n", false},
    {" %s linetarget -f file [-ip router]\n", false},
    {"       Set line targets. Specify router with -ip router. Line targets are\n", false},
    {"       loaded from -f file.\n\n", false},
    {" %s routerconfig\n", false},
    {"       Carry out router configuration. Enter the values via dialogue.\n\n", false},
    {" %s saveconfig -f file [-ip router]\n", false},
    {"       Load router configuration and write it to file -f file.\n\n", false},
    {"Set langugae via environment variable %s:\n", true},
    {"       %s=ENGLISH : english\n", true},
    {"       %s=GERMAN  : german\n", true},
};

constexpr UsageLine usage_german[] = {
    {"usage:\n\n%s rov|accounting|linemonitor|linetarget|routerconfig|saveconfig [-f file] [-ip router]\n\n",
     false},
    {" %s rov [-f file]\n", false},
    {"       Router Uebersicht. Die Ausgabe kann mit -f file in eine Datei umgelenkt\n", false},
    {"       werden.\n\n", false},
    {" %s accounting [-f file] [-ip router] [-reset]\n", false},
    {"       Ausgabe der ACCOUNTING Werte eines Routers. Der Router kann mit \n", false},
    {"       -ip router spezifiziert werden. -reset setzt die Abrechnungsdaten\n", false},
    {"       zurueck. Die Ausgabe wird mit -f file in eine Datei umgelenkt.\n\n", false},
    {" %s linemonitor [-f file] [-ip router]\n", false},
    {"       Ausgabe der Verbindungsdaten eines Routers. -ip und -f wie bei \n", false},
    {"       accounting.\n\n", false},
    {" %s linetarget -f file [-ip router]\n", false},
    {"       Setzen der Verbindungsziele fuer einen Router. Der Router wird mit\n", false},
    {"       -ip router spezifiziert. Die Verbindungsziele werden aus der\n", false},
    {"       Datei -f file gelesen.\n\n", false},
    {" %s routerconfig\n", false},
    {"       Konfiguration eines Routers ausfuehren. Die hierzu benoetigten Werte \n", false},
    {"       werden abgefragt.\n\n", false},
    {" %s saveconfig -f file [-ip router]\n", false},
    {"       Konfiguration eines Routers lesen und speichern in der Datei -f file.\n\n", false},
    {"Die Sprache kann ueber die Environment-Variable %s gesetzt werden.\n", true},
    {"       %s=ENGLISH : englische Ausgaben\n", true},
    {"       %s=GERMAN  : deutsche Ausgaben\n", true},
};

template <size_t N>
void print_usage(FILE* err, const UsageLine (&lines)[N], const char* program)
{
    for (const UsageLine& line : lines) {
        // Every line has at most one %s; lines without one print as they are.
        if (std::strstr(line.text, "%s") != nullptr)
            std::fprintf(err, line.text, line.takes_variable ? EnvVarName : program);
        else
            std::fputs(line.text, err);
    }
}

}  // namespace

void ASCIIChooseLanguage()
{
    const char* value = std::getenv(EnvVarName);
    English = value != nullptr && std::strcmp(value, "GERMAN") == 0 ? 0 : 1;
}

void ASCIIUsage(FILE* err, const char* program)
{
    if (English)
        print_usage(err, usage_english, program);
    else
        print_usage(err, usage_german, program);
}

void ASCIIUsageLineTarget(FILE* err, const char* program)
{
    if (English) {
        std::fputs("missing filename to save line targets\n\n", err);
        std::fprintf(err, "%s linetarget -f file [-ip router]\n", program);
        std::fputs("       Set line targets. Specify router with -ip router. Line targets are\n",
                   err);
        std::fputs("       loaded from -f file.\n\n", err);
    } else {
        std::fputs("Dateiname zum Speichern der Verbindungsziele erwartet.\n\n", err);
        std::fprintf(err, "%s linetarget -f file [-ip router]\n", program);
        std::fputs("       Setzen der Verbindungsziele fuer einen Router. Der Router wird mit\n",
                   err);
        std::fputs("       -ip router spezifiziert. Die Verbindungsziele werden aus der\n", err);
        std::fputs("       Datei -f file gelesen.\n\n", err);
    }
}

void ASCIIUsageSaveConfig(FILE* err, const char* program)
{
    if (English) {
        std::fputs("missing filename to save configuration\n\n", err);
        std::fprintf(err, "%s saveconfig -f file [-ip router]\n", program);
        std::fputs("       Load router configuration and write it to file -f file.\n\n", err);
    } else {
        std::fputs("Dateiname zum Speichern der Konfiguration erwartet.\n\n", err);
        std::fprintf(err, "%s saveconfig -f file [-ip router]\n", program);
        std::fputs(
            "       Konfiguration eines Routers lesen und speichern in der Datei -f file.\n\n",
            err);
    }
}

int ASCIIParseCommandLine(int argc, char** argv, FILE* err)
{
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "qorvel-ascii";
    bool unknown_word = false;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        bool known = false;
        for (const SubCommand& sub : sub_commands) {
            if (std::strcmp(word, sub.word) == 0) {
                ASCIIProgram = sub.program;
                known = true;
            }
        }
        if (known)
            continue;
        if (std::strcmp(word, "-f") == 0 || std::strcmp(word, "-ip") == 0) {
            std::string& value = word[1] == 'f' ? ASCIIFileName : ASCIIRouterIP;
            // The word after the option is its value whatever it is; an option
            // at the end has none and drops an earlier value.
            value = i + 1 < argc ? argv[++i] : "";
        } else if (std::strcmp(word, "-reset") == 0) {
            ASCIIReset = 1;
        } else {
            std::fprintf(err,
                         ASCIIMsg("%s: error in command line: unknown parameter: %s\n",
                                  "%s: Fehler in der Kommandozeile: unbekannter Parameter: %s\n"),
                         program, word);
            unknown_word = true;
        }
    }
    if (ASCIIProgram == ASCII_OP_LINETARGET && ASCIIFileName.empty()) {
        ASCIIUsageLineTarget(err, program);
        return 1;
    }
    if (ASCIIProgram == ASCII_OP_SAVECONFIG && ASCIIFileName.empty()) {
        ASCIIUsageSaveConfig(err, program);
        return 1;
    }
    if (unknown_word || argc <= 1) {
        ASCIIUsage(err, program);
        return 1;
    }
    return 0;
}
