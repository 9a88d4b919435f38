// The graphical program's own texts, each in English and German, and the
// language in force. Every dialog reads its texts through `messages` at the
// moment it shows them, so the language chosen at start-up reaches every
// window.
//
// Two tables: the message table with its fixed indexes 0 to 75, which
// resource files and the help text quote by number, and the texts this
// program added later, which have no number and keep the message table as
// it is. Each is one list below, X(name, English, German) per row, from which
// the index enum and both languages' arrays are made, so a name, its two
// texts and its place cannot drift apart. Texts are ISO 8859-1, as the fonts
// of the fallback resources expect them; German umlauts are written as
// octal escapes, whatever the encoding of this file.
#pragma once

#include <string>

#define MESSAGE_TABLE(X) \
    X(MSG_ERROR, /* 0 */ \
      "Error", "Fehler") \
    X(MSG_WARNING, /* 1 */ \
      "Warning", "Warnung") \
    X(MSG_MESSAGE, /* 2 */ \
      "Message", "Nachricht") \
    X(MSG_REBOOT_TO_ACTIVATE, /* 3 */ \
      "To Activate Changes Please\nReboot The Router", \
      "Zur Aktivierung der \304nderungen den\nRouter neu starten") \
    X(MSG_SAVED_DEREGISTER_TO_ACTIVATE, /* 4 */ \
      "Configuration was saved!\nTo Activate Changes Please Deregister", \
      "Die \304nderungen wurden gesichert!\nZur Aktivierung bitte abmelden") \
    X(MSG_BASIC_CONFIGURATION, /* 5 */ \
      "Basic Configuration", "Einfache Konfiguration") \
    X(MSG_USER_DEFINED_CONFIGURATION, /* 6 */ \
      "User Defined Configuration", "Individuelle Konfiguration") \
    X(MSG_CLOSE_REPLY, /* 7 */ \
      "Get CloseReply - Cannot Register", "Keine Anmeldung m\366glich (CloseReply)") \
    X(MSG_PORT_IN_USE, /* 8 */ \
      "Port Already In Use", "Port wird bereits benutzt") \
    X(MSG_WRONG_PASSWORD, /* 9 */ \
      "Wrong Password - Cannot Register", "Falsches Passwort - \366ffnen nicht m\366glich") \
    X(MSG_PASSWORD_TIMEOUT, /* 10 */ \
      "Timeout During Password Input", "Timeout w\344hrend Passworteingabe") \
    X(MSG_ALREADY_CONNECTED, /* 11 */ \
      "Router Is Already Connected\nTo %s", "Router ist bereits mit\n%s verbunden") \
    X(MSG_ONLY_HOLDER_CAN_CONFIGURE, /* 12 */ \
      "Only %s Can\nConfigure %s", "Nur %s kann\n%s konfigurieren") \
    X(MSG_ALREADY_CONFIGURED, /* 13 */ \
      "Router Is Already Configured", "Router ist bereits konfiguriert") \
    X(MSG_PROTOCOL_VIOLATION, /* 14 */ \
      "Protocol Violation - Connection Closed", "Protokollfehler - Verbindung beendet") \
    X(MSG_PROTOCOL_VIOLATION_SAVED, /* 15 */ \
      "Protocol Violation - Connection Closed\nConfiguration Saved To %s", \
      "Protokollfehler - Verbindung beendet\nKonfiguration in %s gesichert") \
    X(MSG_BAD_ADDRESS, /* 16 */ \
      "IP-Address Not Correct", "Angabe einer falschen IP-Adresse") \
    X(MSG_BAD_HOSTNAME, /* 17 */ \
      "Hostname Not Correct", "Angabe eines unbekannten Hostnamens") \
    X(MSG_BAD_PHONE, /* 18 */ \
      "Phone Number Not Correct", "Angabe einer unkorrekten Telefonnummer") \
    X(MSG_BAD_TIMEOUT, /* 19 */ \
      "Timeout Too Small Or Wrong Format", "Timeout zu niedrig oder falsch") \
    X(MSG_BAD_SEND_PASSWORD, /* 20 */ \
      "Password (send) Incorrect", "Angabe eines falschen Passwortes\nf\374r den Sender") \
    X(MSG_BAD_RECEIVE_PASSWORD, /* 21 */ \
      "Password (receive) Incorrect", "Angabe eines falschen Passwortes\nf\374r den Empf\344nger") \
    X(MSG_BAD_MASK, /* 22 */ \
      "Mask Not Correct", "Angabe einer falschen Maske") \
    X(MSG_BAD_MATCH, /* 23 */ \
      "Match Not Correct", "Angabe eines falschen Vergleichswertes") \
    X(MSG_BAD_MASK_MATCH_COMBINATION, /* 24 */ \
      "Wrong Match And Netmask Combination", "Maske und Vergleichswert passen\nnicht zusammen") \
    X(MSG_BAD_GATEWAY, /* 25 */ \
      "Gateway Not Correct", "Angabe eines falschen Gateways") \
    X(MSG_BAD_POSITION, /* 26 */ \
      "Position Not Correct", "Angabe einer falschen Position") \
    X(MSG_BAD_SEND_MASK, /* 27 */ \
      "Mask (Send) Incorrect", "Angabe einer falschen Maske\nf\374r den Sender") \
    X(MSG_BAD_RECEIVE_MASK, /* 28 */ \
      "Mask (Receive) Incorrect", "Angabe einer falschen Maske\nf\374r den Empf\344nger") \
    X(MSG_BAD_SERVICE, /* 29 */ \
      "Service Not Correct", "Angabe eines falschen Services") \
    X(MSG_NO_FIRMWARE_FILE, /* 30 */ \
      "Cannot Find Firmware File", "Firmwaredatei leider nicht gefunden") \
    X(MSG_CORRUPTED_FIRMWARE_FILE, /* 31 */ \
      "Corrupted Firmware File", "Firmwaredatei hat falsches Format") \
    X(MSG_FIRMWARE_FAILED, /* 32 */ \
      "Error During Firmwaredownload", "Fehler w\344hrend des Firmwaredownloads") \
    X(MSG_FIRMWARE_FAILED_SAVED, /* 33 */ \
      "Error During Firmwaredownload\nConfiguration Saved To %s", \
      "Fehler w\344hrend des Firmwaredownloads\nKonfiguration in %s gesichert") \
    X(MSG_CANNOT_WRITE_FILE, /* 34 */ \
      "Cannot Write File", "Kann die Datei nicht schreiben") \
    X(MSG_FILE_ERROR_AT, /* 35 */ \
      "%s\nError At Line %d, Column %d", "%s\nFehler in Zeile %d, Spalte %d") \
    X(MSG_CANNOT_READ_FILE, /* 36 */ \
      "Cannot Read File", "Kann die Datei nicht lesen") \
    X(MSG_PRO_FILE_ERROR, /* 37 */ \
      "Reading qorvel.pro\nError At Line %d, Column %d", \
      "Lesen von qorvel.pro\nFehler in Zeile %d, Spalte %d") \
    X(MSG_PRO_FILE_INCONSISTENT, /* 38 */ \
      "Reading qorvel.pro\nInconsitent Line (Line = %d)", \
      "Lesen von qorvel.pro\nInkonsistente Zeile (Nr. = %d)") \
    X(MSG_NO_HELP_FILE, /* 39 */ \
      "\n\n\n       No Help File Found", "\n\n\n    Es wurde keine Hilfe Datei gefunden") \
    X(MSG_NO_HELP_SECTION, /* 40 */ \
      "\n\n\n       No Help For This Section Found", \
      "\n\n\n    Es wurde keine Hilfe in der Datei f\374r diesen\n    Abschnitt gefunden") \
    X(MSG_PASSWORDS_DIFFER, /* 41 */ \
      "Passwords Do Not Match\nPassword Not Changed", \
      "Falsche Wiederholung\nPasswort wurde nicht ge\344ndert") \
    X(MSG_SCANNING, /* 42 */ \
      "Scanning Network - Please Wait", "Netzwerk wird nach Routern abgesucht") \
    X(MSG_GETTING_DATA, /* 43 */ \
      "Getting Data From The Router", "Es werden Daten aus dem Router geladen") \
    X(MSG_PUTTING_DATA, /* 44 */ \
      "Putting Data To The Router", "Es werden Daten an den Router geschickt") \
    X(MSG_DOWNLOAD_STARTS, /* 45 */ \
      "Start Firmwaredownload To The Router", "Beginne den Firmwaredownload") \
    X(MSG_LOADING_FIRMWARE, /* 46 */ \
      "Loading Firmware %3d %%", "Router wird mit Firmware geladen %3d %%") \
    X(MSG_WAITING_FOR_ROUTER, /* 47 */ \
      "Waiting For Router To Be Ready", "Warten auf die R\374ckmeldung vom Router") \
    X(MSG_ACCEPT, /* 48 */ \
      "accept", "annehmen") \
    X(MSG_REJECT, /* 49 */ \
      "reject", "ablehnen") \
    X(MSG_NOT_CONNECTED, /* 50 */ \
      "Not Connected", "Frei") \
    X(MSG_TRY_TO_CONNECT, /* 51 */ \
      "Try To Connect", "Im Aufbau") \
    X(MSG_TRY_TO_DISCONNECT, /* 52 */ \
      "Try To Disconnect", "Im Abbau") \
    X(MSG_CONNECTED, /* 53 */ \
      "Connected", "Verbunden") \
    X(MSG_ACCOUNTING_ENTRY, /* 54 */ \
      "Host Name  : %s\nPhone No.  : %s\n\nCalls      incoming: %10ld    outgoing: %10ld\nPackets    incoming: %10ld    outgoing: %10ld\nBytes      incoming: %10ld    outgoing: %10ld\nCharge     : %10ld Units\n\n\n", \
      "Hostname   : %s\nTelefonnr. : %s\n\nGespr\344che  eingehend: %10ld    ausgehend: %10ld\nPakete     eingehend: %10ld    ausgehend: %10ld\nBytes      eingehend: %10ld    ausgehend: %10ld\nGeb\374hren   : %10ld Einheiten\n\n\n") \
    X(MSG_ROUTER_BLOCK, /* 55 */ \
      "Host Name: %s\nFirmware : %s\n\nChannel1 : %s\nChannel2 : %s\n\n\n", \
      "Hostname : %s\nFirmware : %s\n\nKanal1   : %s\nKanal2   : %s\n\n\n") \
    X(MSG_NO_RESPONSE, /* 56 */ \
      "Router %s does not respond\n\n", "Router %s antwortet nicht\n\n") \
    X(MSG_FILE_TOO_MANY_ENTRIES, /* 57 */ \
      "Too Many Entries", "Zuviele Eintr\344ge") \
    X(MSG_FILE_BAD_ADDRESS, /* 58 */ \
      "Wrong IP-Address", "Ung\374ltige IP-Adresse") \
    X(MSG_FILE_BAD_PHONE, /* 59 */ \
      "Wrong Phone Number", "Ung\374ltige Telefonnummer") \
    X(MSG_FILE_BAD_PROTOCOL, /* 60 */ \
      "Wrong Protocol", "Ung\374ltiges Protokoll") \
    X(MSG_FILE_BAD_TIMEOUT, /* 61 */ \
      "Wrong Timeout Value", "Ung\374ltiger Timeout-Wert") \
    X(MSG_FILE_BAD_MANUAL, /* 62 */ \
      "Wrong Value", "Ung\374ltiger Wert") \
    X(MSG_FILE_BAD_BUNDLING, /* 63 */ \
      "Wrong Value", "Ung\374ltiger Wert") \
    X(MSG_FILE_BAD_COMPRESSION, /* 64 */ \
      "Wrong Value", "Ung\374ltiger Wert") \
    X(MSG_FILE_BAD_PASSWORD, /* 65 */ \
      "Wrong Password", "Ung\374ltiges Passwort") \
    X(MSG_FILE_SYNTAX_ERROR, /* 66 */ \
      "Syntax Error", "Ung\374ltiges Zeilenformat") \
    X(MSG_FILE_BAD_MASK, /* 67 */ \
      "Wrong Mask", "Ung\374ltige Maske") \
    X(MSG_FILE_BAD_MATCH, /* 68 */ \
      "Wrong Match", "Ung\374ltiger Vergleichswert") \
    X(MSG_FILE_MASK_MATCH_MISMATCH, /* 69 */ \
      "Combination Mask/Match", "Kombination Maske/Vergleichswert") \
    X(MSG_FILE_BAD_GATEWAY, /* 70 */ \
      "Wrong Gateway", "Ung\374ltiger Gateway") \
    X(MSG_FILE_BAD_SERVICE, /* 71 */ \
      "Wrong Service", "Ung\374ltiger Service-Eintrag") \
    X(MSG_FILE_BAD_ACTION, /* 72 */ \
      "Wrong Value", "Ung\374ltiger Wert") \
    X(MSG_UNITS, /* 73 */ \
      "units", "Einh.") \
    X(MSG_SECONDS, /* 74 */ \
      "sec.", "sek.") \
    X(MSG_HELP_HEADER, /* 75 */ \
      " Configuration of the Grafical User Interface\n\n Hostname          : %s\n Netmask           : %s\n Hostname Resolving: %s\n\n", \
      " Konfiguration der Oberfl\344che\n\n Hostname          : %s\n Netzmaske         : %s\n Hostnamenaufl\366sung: %s\n\n")

// Index of every message of the table; values 0 to 75 in the order above.
enum MessageIndex {
#define MESSAGE_NAME(name, english, german) name,
    MESSAGE_TABLE(MESSAGE_NAME)
#undef MESSAGE_NAME
};

#define MESSAGE_ONE(name, english, german) +1
constexpr int MESSAGE_COUNT = 0 MESSAGE_TABLE(MESSAGE_ONE);
#undef MESSAGE_ONE
static_assert(MESSAGE_COUNT == 76 && MSG_HELP_HEADER == 75,
              "the message table holds indexes 0 to 75");

extern const char* const e_messages[MESSAGE_COUNT];
extern const char* const g_messages[MESSAGE_COUNT];

// The table in force: e_messages until the language rule has chosen.
extern const char* const* messages;

// The label that switches every message to German.
constexpr const char GERMAN_REGISTER_LABEL[] = "Anmelden";

// Language rule: German when the Register button's label, as the resources
// give it, is exactly "Anmelden"; a null label (no conversion) keeps English.
// It chooses for both tables.
void messages_choose_language(const char* register_label);

// Message n of the table in force; "" for an index outside the table.
const char* message_text(int n);

// Message n filled printf-style into a string of whatever length it needs.
// Callers pass the arguments the message's own conversions expect; counters
// are unsigned 32-bit and go to the "%ld" conversions as long, which holds
// every such value on this platform.
std::string message_format(int n, ...);

// The texts added to the message table's: what became of the emergency copy
// and the router's tables after a failure, why a firmware download does not
// start, and the lines of the notice on unknown protocols.
#define ADDED_TEXT_TABLE(X) \
    X(SaveFailed, "Configuration Could Not Be Saved", \
      "Konfiguration konnte nicht gesichert werden") \
    X(PartlyWritten, "The Router's Tables May Be Partly Written", \
      "Die Tabellen im Router sind m\366glicherweise\nnur teilweise geschrieben") \
    X(SavedTo, "Configuration Saved To %s", "Konfiguration in %s gesichert") \
    X(NoAnswer, /* the router stopped acknowledging or replying */ \
      "Router Does Not Answer - Connection Closed", "Router antwortet nicht - Verbindung beendet") \
    X(CountersDoubtful, /* in place of message 54: host, telephone number */ \
      "Host Name  : %s\nPhone No.  : %s\n\nCounters Doubtful: The Router May Have Reset Them " \
      "Twice\n\n\n", \
      "Hostname   : %s\nTelefonnr. : %s\n\nZ\344hler zweifelhaft: Der Router hat sie " \
      "m\366glicherweise zweimal zur\374ckgesetzt\n\n\n") \
    X(DownloadUnknownProtocols, /* line targets without protocol definition */ \
      "Line Targets With Unknown Protocols\n" \
      "Cannot Be Written Into The Firmware\n" \
      "Firmwaredownload Not Started", \
      "Verbindungen mit unbekannten Protokollen\n" \
      "k\366nnen nicht in die Firmware geschrieben werden\n" \
      "Firmwaredownload nicht gestartet") \
    X(DownloadNotAccepted, /* the router refused to be opened again */ \
      "Cannot Start Firmwaredownload:\nThe Router Does Not Accept The Connection", \
      "Firmwaredownload nicht m\366glich:\nDer Router nimmt die Verbindung nicht an") \
    X(UnknownProtocolsHead, /* continued by the sentence on the definitions */ \
      "The Router Contains Unknown Protocols. The", \
      "Der Router enth\344lt unbekannte Protokolle. Die") \
    X(UnknownProtocolsHeadAlone, "The Router Contains Unknown Protocols.", \
      "Der Router enth\344lt unbekannte Protokolle.") \
    X(DefinitionsSaved, "Definitions Of These Protocols Are Saved In", \
      "Definitionen dieser Protokolle wurden gesichert in") \
    X(NoDefinitions, "No Definitions Can Be Made For These Protocols", \
      "F\374r diese Protokolle lassen sich keine Definitionen anlegen") \
    X(DefinitionsNotSaved, "Definitions Of These Protocols Could Not Be Saved In", \
      "Definitionen dieser Protokolle konnten nicht gesichert werden in") \
    X(ConnectionsSaved, "All Connections With Known Protocols Are Saved In", \
      "Alle Verbindungen mit bekannten Protokollen wurden gesichert in") \
    X(ConnectionsNotSaved, "All Connections With Known Protocols Could Not Be Saved In", \
      "Alle Verbindungen mit bekannten Protokollen konnten nicht gesichert werden in")

enum class AddedText {
#define ADDED_TEXT_NAME(name, english, german) name,
    ADDED_TEXT_TABLE(ADDED_TEXT_NAME)
#undef ADDED_TEXT_NAME
};

#define ADDED_TEXT_ONE(name, english, german) +1
constexpr int ADDED_TEXT_COUNT = 0 ADDED_TEXT_TABLE(ADDED_TEXT_ONE);
#undef ADDED_TEXT_ONE

extern const char* const e_added_texts[ADDED_TEXT_COUNT];
extern const char* const g_added_texts[ADDED_TEXT_COUNT];

// Text `t` in the language of the message table in force.
const char* added_text(AddedText t);

// That text filled printf-style, as message_format does.
std::string added_format(AddedText t, ...);

// The same for a format that is not a message (list lines, file names).
std::string text_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
