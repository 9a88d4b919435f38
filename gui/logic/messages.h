// The graphical program's own texts: one English and one German table with
// the same indexes, and the table in force. Every dialog reads its texts
// through `messages` at the moment it shows them, so the language chosen at
// start-up reaches every window.
#pragma once

#include <string>

constexpr int MESSAGE_COUNT = 79;

// Indexes that more than one window uses.
enum MessageIndex {
    MSG_ERROR = 0,            // error box titles
    MSG_WARNING = 1,
    MSG_MESSAGE = 2,
    MSG_PORT_IN_USE = 8,
    MSG_PROTOCOL_VIOLATION = 14,
    MSG_PROTOCOL_VIOLATION_SAVED = 15,
    MSG_FIRMWARE_FAILED = 32,
    MSG_FIRMWARE_FAILED_SAVED = 33,
    MSG_PRO_FILE_ERROR = 37,
    MSG_PRO_FILE_INCONSISTENT = 38,
    MSG_SCANNING = 42,
    MSG_GETTING_DATA = 43,
    MSG_PUTTING_DATA = 44,
    MSG_SAVE_FAILED = 76,     // after a failure: the emergency copy could not be written
    MSG_PARTLY_WRITTEN = 77,  // after a failure while the tables were being written
    MSG_SAVED_TO = 78,        // ... and where the emergency copy went
};

// Texts in ISO 8859-1, as the fonts of the fallback resources expect them.
extern const char* const e_messages[MESSAGE_COUNT];
extern const char* const g_messages[MESSAGE_COUNT];

// The table in force: e_messages until the language rule has chosen.
extern const char* const* messages;

// The label that switches every message to German.
constexpr const char GERMAN_REGISTER_LABEL[] = "Anmelden";

// Language rule: German when the Register button's label, as the resources
// give it, is exactly "Anmelden"; a null label (no conversion) keeps English.
void messages_choose_language(const char* register_label);

// Message n of the table in force; "" for an index outside the table.
const char* message_text(int n);

// Message n filled printf-style into a string of whatever length it needs.
// Callers pass the arguments the message's own conversions expect; counters
// are unsigned 32-bit and go to the "%ld" conversions as long, which holds
// every such value on this platform.
std::string message_format(int n, ...);

// The same for a format that is not a message (list lines, file names).
std::string text_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
