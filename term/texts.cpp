#include "texts.h"

#include "globals.h"

const char* const ASCIIHS_ErrorE[ASCII_ERROR_CODES] = {
    "ok",
    "wrong message at this moment",
    "IP-Address Not Correct",
    "Wrong Password",
    "Router Is Already Connected",
    "can not configure router from this station",
    "timeout error",
    "Protokol-Violation",
    "Router does not Respond",
    "unknown command",
    "syntax error",
    "table full",
    "can not access Flash ROM",
    "Error During Firmwaredownload",
    "Error During Reset",
};

const char* const ASCIIHS_ErrorD[ASCII_ERROR_CODES] = {
    "ok",
    "Nachricht in diesem Zustand unerwartet",
    "Ungueltige IP- oder ethernet Adresse",
    "Falsches Passwort",
    "Andere Verbindung besteht bereits",
    "Router darf von diesem Rechner nicht konfiguriert werden",
    "Wartezeit wurde ueberschritten",
    "Protokollverletzung",
    "keine Quittung empfangen",
    "es wurde versucht ein ungueltiges Kommando zu senden",
    "ungueltiger Tabelleneintrag",
    "Tabelle voll",
    "Flash ROM Zugriff fehlgeschlagen",
    "Firmwaredownload ist fehlgeschlagen",
    "Reset ist fehlgeschlagen",
};

const char* const ASCIIFErrStringsE[ASCII_FILE_ERRORS] = {
    "OK",
    "(Too Many Entries)",
    "(Wrong IP-Address)",
    "(Wrong Phone Number)",
    "(Wrong Protocol)",
    "(Wrong Timeout Value)",
    "(Wrong Value)",
    "(Wrong Value)",
    "(Wrong Value)",
    "(Wrong Password)",
    "(Syntax Error)",
    "(Wrong Mask)",
    "(Wrong Match)",
    "(Combination Mask/Match)",
    "(Wrong Gateway)",
    "(Wrong Service)",
    "(Wrong Value)",
};

const char* const ASCIIFErrStringsD[ASCII_FILE_ERRORS] = {
    "OK",
    "(zuviele Eintraege)",
    "(ungueltiger Hostname)",
    "(ungueltige Telefonnummer)",
    "(unbekanntes Protokoll)",
    "(Timeout ungueltig oder zu klein)",
    "(falscher Wert)",
    "(falscher Wert)",
    "(falscher Wert)",
    "(falsches Passwortformat)",
    "(falsches Zeilenformat)",
    "(ungueltige Netzmaske)",
    "(ungueltiger Vergleichswert)",
    "(Kombination Netzmaske/Vergleichswert)",
    "(ungueltiger Gateway)",
    "(ungueltiger Service)",
    "(falscher Wert)",
};

const char* const ASCIIStatusE[ASCII_CHANNEL_STATES] = {
    "free",      "Try To Connect",    "Try To Connect",
    "Connected", "Try To Disconnect", "Try To Disconnect",
};

const char* const ASCIIStatusD[ASCII_CHANNEL_STATES] = {
    "frei", "im Aufbau", "im Aufbau", "verbunden", "im Abbau", "im Abbau",
};

const char* const ASCIIOpModes[ASCII_OP_MODES] = {
    "1TR6 (national)", "DSS1 (international)", "FV64S", "Digital FVS01", "Digital FVS02",
};

const char* ASCIIMsg(const char* english, const char* german)
{
    return English ? english : german;
}

const char* ASCIIErrorText(int code)
{
    if (code < 1 || code >= ASCII_ERROR_CODES)
        return nullptr;
    return English ? ASCIIHS_ErrorE[code] : ASCIIHS_ErrorD[code];
}

const char* ASCIIFileErrorText(int code)
{
    // The last entry is the generic "wrong value", the right word for a code
    // the reader may add later.
    if (code < 1 || code >= ASCII_FILE_ERRORS)
        code = ASCII_FILE_ERRORS - 1;
    return English ? ASCIIFErrStringsE[code] : ASCIIFErrStringsD[code];
}

const char* ASCIIStatusText(int state)
{
    if (state < 0 || state >= ASCII_CHANNEL_STATES)
        state = 0;
    return English ? ASCIIStatusE[state] : ASCIIStatusD[state];
}

const char* ASCIIModeText(int mode)
{
    return mode == 0 || mode == 1 ? ASCIIOpModes[mode] : ASCII_UNKNOWN_TEXT;
}

const char* ASCIILineTypeText(int type)
{
    if (type == 0)
        return "";
    return type >= 1 && type <= 3 ? ASCIIOpModes[type + 1] : ASCII_UNKNOWN_TEXT;
}
