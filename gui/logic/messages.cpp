// The two message tables. German umlauts are written as octal escapes: the
// texts are ISO 8859-1, like the fonts they are drawn with, whatever the
// encoding of this file.
#include "messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

const char* const e_messages[MESSAGE_COUNT] = {
    "Error",  // 0
    "Warning",  // 1
    "Message",  // 2
    "To Activate Changes Please\nReboot The Router",  // 3
    "Configuration was saved!\nTo Activate Changes Please Deregister",  // 4
    "Basic Configuration",  // 5
    "User Defined Configuration",  // 6
    "Get CloseReply - Cannot Register",  // 7
    "Port Already In Use",  // 8
    "Wrong Password - Cannot Register",  // 9
    "Timeout During Password Input",  // 10
    "Router Is Already Connected\nTo %s",  // 11
    "Only %s Can\nConfigure %s",  // 12
    "Router Is Already Configured",  // 13
    "Protocol Violation - Connection Closed",  // 14
    "Protocol Violation - Connection Closed\nConfiguration Saved To %s",  // 15
    "IP-Address Not Correct",  // 16
    "Hostname Not Correct",  // 17
    "Phone Number Not Correct",  // 18
    "Timeout Too Small Or Wrong Format",  // 19
    "Password (send) Incorrect",  // 20
    "Password (receive) Incorrect",  // 21
    "Mask Not Correct",  // 22
    "Match Not Correct",  // 23
    "Wrong Match And Netmask Combination",  // 24
    "Gateway Not Correct",  // 25
    "Position Not Correct",  // 26
    "Mask (Send) Incorrect",  // 27
    "Mask (Receive) Incorrect",  // 28
    "Service Not Correct",  // 29
    "Cannot Find Firmware File",  // 30
    "Corrupted Firmware File",  // 31
    "Error During Firmwaredownload",  // 32
    "Error During Firmwaredownload\nConfiguration Saved To %s",  // 33
    "Cannot Write File",  // 34
    "%s\nError At Line %d, Column %d",  // 35
    "Cannot Read File",  // 36
    "Reading qorvel.pro\nError At Line %d, Column %d",  // 37
    "Reading qorvel.pro\nInconsitent Line (Line = %d)",  // 38
    "\n\n\n       No Help File Found",  // 39
    "\n\n\n       No Help For This Section Found",  // 40
    "Passwords Do Not Match\nPassword Not Changed",  // 41
    "Scanning Network - Please Wait",  // 42
    "Getting Data From The Router",  // 43
    "Putting Data To The Router",  // 44
    "Start Firmwaredownload To The Router",  // 45
    "Loading Firmware %3d %%",  // 46
    "Waiting For Router To Be Ready",  // 47
    "accept",  // 48
    "reject",  // 49
    "Not Connected",  // 50
    "Try To Connect",  // 51
    "Try To Disconnect",  // 52
    "Connected",  // 53
    "Host Name  : %s\nPhone No.  : %s\n\nCalls      incoming: %10ld    outgoing: %10ld\nPackets    incoming: %10ld    outgoing: %10ld\nBytes      incoming: %10ld    outgoing: %10ld\nCharge     : %10ld Units\n\n\n",  // 54
    "Host Name: %s\nFirmware : %s\n\nChannel1 : %s\nChannel2 : %s\n\n\n",  // 55
    "Router %s does not respond\n\n",  // 56
    "Too Many Entries",  // 57
    "Wrong IP-Address",  // 58
    "Wrong Phone Number",  // 59
    "Wrong Protocol",  // 60
    "Wrong Timeout Value",  // 61
    "Wrong Value",  // 62
    "Wrong Value",  // 63
    "Wrong Value",  // 64
    "Wrong Password",  // 65
    "Syntax Error",  // 66
    "Wrong Mask",  // 67
    "Wrong Match",  // 68
    "Combination Mask/Match",  // 69
    "Wrong Gateway",  // 70
    "Wrong Service",  // 71
    "Wrong Value",  // 72
    "units",  // 73
    "sec.",  // 74
    " Configuration of the Grafical User Interface\n\n Hostname          : %s\n Netmask           : %s\n Hostname Resolving: %s\n\n",  // 75
    "Configuration Could Not Be Saved",  // 76
    "The Router's Tables May Be Partly Written",  // 77
    "Configuration Saved To %s",  // 78
};

const char* const g_messages[MESSAGE_COUNT] = {
    "Fehler",  // 0
    "Warnung",  // 1
    "Nachricht",  // 2
    "Zur Aktivierung der \304nderungen den\nRouter neu starten",  // 3
    "Die \304nderungen wurden gesichert!\nZur Aktivierung bitte abmelden",  // 4
    "Einfache Konfiguration",  // 5
    "Individuelle Konfiguration",  // 6
    "Keine Anmeldung m\366glich (CloseReply)",  // 7
    "Port wird bereits benutzt",  // 8
    "Falsches Passwort - \366ffnen nicht m\366glich",  // 9
    "Timeout w\344hrend Passworteingabe",  // 10
    "Router ist bereits mit\n%s verbunden",  // 11
    "Nur %s kann\n%s konfigurieren",  // 12
    "Router ist bereits konfiguriert",  // 13
    "Protokollfehler - Verbindung beendet",  // 14
    "Protokollfehler - Verbindung beendet\nKonfiguration in %s gesichert",  // 15
    "Angabe einer falschen IP-Adresse",  // 16
    "Angabe eines unbekannten Hostnamens",  // 17
    "Angabe einer unkorrekten Telefonnummer",  // 18
    "Timeout zu niedrig oder falsch",  // 19
    "Angabe eines falschen Passwortes\nf\374r den Sender",  // 20
    "Angabe eines falschen Passwortes\nf\374r den Empf\344nger",  // 21
    "Angabe einer falschen Maske",  // 22
    "Angabe eines falschen Vergleichswertes",  // 23
    "Maske und Vergleichswert passen\nnicht zusammen",  // 24
    "Angabe eines falschen Gateways",  // 25
    "Angabe einer falschen Position",  // 26
    "Angabe einer falschen Maske\nf\374r den Sender",  // 27
    "Angabe einer falschen Maske\nf\374r den Empf\344nger",  // 28
    "Angabe eines falschen Services",  // 29
    "Firmwaredatei leider nicht gefunden",  // 30
    "Firmwaredatei hat falsches Format",  // 31
    "Fehler w\344hrend des Firmwaredownloads",  // 32
    "Fehler w\344hrend des Firmwaredownloads\nKonfiguration in %s gesichert",  // 33
    "Kann die Datei nicht schreiben",  // 34
    "%s\nFehler in Zeile %d, Spalte %d",  // 35
    "Kann die Datei nicht lesen",  // 36
    "Lesen von qorvel.pro\nFehler in Zeile %d, Spalte %d",  // 37
    "Lesen von qorvel.pro\nInkonsistente Zeile (Nr. = %d)",  // 38
    "\n\n\n    Es wurde keine Hilfe Datei gefunden",  // 39
    "\n\n\n    Es wurde keine Hilfe in der Datei f\374r diesen\n    Abschnitt gefunden",  // 40
    "Falsche Wiederholung\nPasswort wurde nicht ge\344ndert",  // 41
    "Netzwerk wird nach Routern abgesucht",  // 42
    "Es werden Daten aus dem Router geladen",  // 43
    "Es werden Daten an den Router geschickt",  // 44
    "Beginne den Firmwaredownload",  // 45
    "Router wird mit Firmware geladen %3d %%",  // 46
    "Warten auf die R\374ckmeldung vom Router",  // 47
    "annehmen",  // 48
    "ablehnen",  // 49
    "Frei",  // 50
    "Im Aufbau",  // 51
    "Im Abbau",  // 52
    "Verbunden",  // 53
    "Hostname   : %s\nTelefonnr. : %s\n\nGespr\344che  eingehend: %10ld    ausgehend: %10ld\nPakete     eingehend: %10ld    ausgehend: %10ld\nBytes      eingehend: %10ld    ausgehend: %10ld\nGeb\374hren   : %10ld Einheiten\n\n\n",  // 54
    "Hostname : %s\nFirmware : %s\n\nKanal1   : %s\nKanal2   : %s\n\n\n",  // 55
    "Router %s antwortet nicht\n\n",  // 56
    "Zuviele Eintr\344ge",  // 57
    "Ung\374ltige IP-Adresse",  // 58
    "Ung\374ltige Telefonnummer",  // 59
    "Ung\374ltiges Protokoll",  // 60
    "Ung\374ltiger Timeout-Wert",  // 61
    "Ung\374ltiger Wert",  // 62
    "Ung\374ltiger Wert",  // 63
    "Ung\374ltiger Wert",  // 64
    "Ung\374ltiges Passwort",  // 65
    "Ung\374ltiges Zeilenformat",  // 66
    "Ung\374ltige Maske",  // 67
    "Ung\374ltiger Vergleichswert",  // 68
    "Kombination Maske/Vergleichswert",  // 69
    "Ung\374ltiger Gateway",  // 70
    "Ung\374ltiger Service-Eintrag",  // 71
    "Ung\374ltiger Wert",  // 72
    "Einh.",  // 73
    "sek.",  // 74
    " Konfiguration der Oberfl\344che\n\n Hostname          : %s\n Netzmaske         : %s\n Hostnamenaufl\366sung: %s\n\n",  // 75
    "Konfiguration konnte nicht gesichert werden",  // 76
    "Die Tabellen im Router sind m\366glicherweise\nnur teilweise geschrieben",  // 77
    "Konfiguration in %s gesichert",  // 78
};

const char* const* messages = e_messages;

void messages_choose_language(const char* register_label)
{
    messages = (register_label && std::strcmp(register_label, GERMAN_REGISTER_LABEL) == 0)
                   ? g_messages
                   : e_messages;
}

const char* message_text(int n)
{
    if (n < 0 || n >= MESSAGE_COUNT)
        return "";
    return messages[n];
}

static std::string vformat(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    char small[256];
    int need = std::vsnprintf(small, sizeof small, format, args);
    if (need < 0) {
        va_end(again);
        return std::string();
    }
    if (static_cast<size_t>(need) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<size_t>(need));
    }
    std::vector<char> big(static_cast<size_t>(need) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    return std::string(big.data(), static_cast<size_t>(need));
}

std::string message_format(int n, ...)
{
    va_list args;
    va_start(args, n);
    std::string text = vformat(message_text(n), args);
    va_end(args);
    return text;
}

std::string text_format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    return text;
}
