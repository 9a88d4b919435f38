// The terminal program's text tables: the back end's status and error codes,
// the configuration-file fault codes, the B-channel states, the ISDN modes
// and permanent-connection types. The twin tables (E English, D German) share
// their indexes; the look-ups below pick one by `English` and never index
// past a table.
#pragma once

constexpr int ASCII_ERROR_CODES = 15;    // entries of ASCIIHS_ErrorE/D (codes 0-14)
constexpr int ASCII_FILE_ERRORS = 17;    // entries of ASCIIFErrStringsE/D (codes 0-16)
constexpr int ASCII_CHANNEL_STATES = 6;  // entries of ASCIIStatusE/D (states 0-5)
constexpr int ASCII_OP_MODES = 5;        // entries of ASCIIOpModes

extern const char* const ASCIIHS_ErrorE[ASCII_ERROR_CODES];
extern const char* const ASCIIHS_ErrorD[ASCII_ERROR_CODES];
extern const char* const ASCIIFErrStringsE[ASCII_FILE_ERRORS];
extern const char* const ASCIIFErrStringsD[ASCII_FILE_ERRORS];
extern const char* const ASCIIStatusE[ASCII_CHANNEL_STATES];
extern const char* const ASCIIStatusD[ASCII_CHANNEL_STATES];
// ISDN modes at their code (0, 1), permanent-connection types 1-3 at type + 1.
extern const char* const ASCIIOpModes[ASCII_OP_MODES];

// What a value outside its table is shown as.
constexpr const char* ASCII_UNKNOWN_TEXT = "unbekannt";

// The text in the user's language.
const char* ASCIIMsg(const char* english, const char* german);

// Text of a status or error code 1-14, or null for any other code.
const char* ASCIIErrorText(int code);

// Text of a configuration-file fault 1-16; "(Wrong Value)" in the user's
// language for any other code.
const char* ASCIIFileErrorText(int code);

// Text of a B-channel state; states outside 0-5 read as 0 (free).
const char* ASCIIStatusText(int state);

// Text of an ISDN mode (0, 1), else ASCII_UNKNOWN_TEXT.
const char* ASCIIModeText(int mode);

// Text of a permanent-connection type 1-3, the empty text for 0, else
// ASCII_UNKNOWN_TEXT.
const char* ASCIILineTypeText(int type);
