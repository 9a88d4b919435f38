// Text-file helpers shared by every reader of the back end's text files: the
// line reader, the tokenizer, the echo of a faulty line and the path of a
// data file.
//
// A line is at most FILE_LINE_MAX characters; a longer one is delivered in
// pieces, each of which counts as a line of its own. TABs are turned into
// blanks on reading, so a TAB counts as one column.
//
// No text file holds a NUL byte. The reader reports where one stands, and the
// readers above it take it as a fault of that line: a file of NULs (or a
// link to /dev/zero) would otherwise read as endless empty lines.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

constexpr int FILE_LINE_MAX = 1023;  // characters of one line (piece)
constexpr size_t FILE_LINE_SIZE = FILE_LINE_MAX + 1;
constexpr size_t FILE_TOKEN_SIZE = FILE_LINE_SIZE;  // a token buffer that never cuts a token

// The line buffer that file_read_line fills; valid until the next read.
extern char read_line[FILE_LINE_SIZE];

// Off by default; when on, the protocol-definition and configuration-file
// readers echo a faulty line on standard output.
extern int file_echo_errors;

// Reads the next line (newline kept, TABs made blanks) into read_line and
// returns it, or null at the end of the file (or for a null file). A CR just
// before the newline, or before the end of the file, is part of the line
// end: a CRLF line reads as "...\n", and a CR elsewhere stays in the text. With
// `nul_column` given, it is set to the 1-based column of the piece's first
// NUL byte, 0 when it has none; a NUL ends neither the piece nor the line, so
// read_line then holds only the text before it.
char* file_read_line(FILE* file, int* nul_column = nullptr);

// Opens a data file for reading. Only a regular file is taken: a device, a
// FIFO or a directory under the file's name never ends or never comes, and
// the open itself never waits for a FIFO's writer. Null with errno set
// (EISDIR for a directory, EINVAL for any other file that is not regular).
FILE* file_open_text(const std::string& path);

// Skips blanks from `text`, sets *start (when start is not null) to where the
// token begins or the scan stopped, copies the token (cut to size-1
// characters, always terminated) into `token` and returns the position just
// after the whole token. Without a token (newline or end of text) `token` is
// empty and the result is null; a null `text` gives the same.
const char* file_get_token(const char* text, char* token, size_t size, const char** start);

template <size_t N>
inline const char* file_get_token(const char* text, char (&token)[N], const char** start)
{
    return file_get_token(text, token, N, start);
}

// The 1-based column of `position` within `line`.
int file_column(const char* line, const char* position);

// Turns `text` to lower case in place; null is ignored.
void file_lower(char* text);

// When file_echo_errors is on: writes `line` (null: none) to standard output
// with its bytes shown as ASCIIPrintable shows them and a line end, then
// `marker` characters up to the column as shown and "^\n". Column 0 (a
// refused entry as a whole) gives the caret alone.
void file_echo_fault(const char* line, int column, char marker);

// "<QORVEL_PATH>/<name>", or the bare name when QORVEL_PATH is not set.
std::string file_data_path(const char* name);
