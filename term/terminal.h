// The user's terminal ("/dev/tty"): opened once and kept for the run, read
// line by line without waiting, and switched to hidden input for passwords.
// Hidden input is undone on every way out of the program: a normal end and
// an exit() from anywhere (the main loop ends the run on a signal), and for
// the time the program is stopped; a continue hides the typing again and
// shows the prompt anew.
#pragma once

#include <optional>
#include <string>

constexpr const char* ASCII_TERMINAL = "/dev/tty";
constexpr int ASCII_BUFFER_SIZE = 10240;  // bytes of one keyboard read, terminator included

// The terminal's descriptor, opening it on first use; -1 when the process
// has no terminal (then nothing is polled).
int ASCIITerminalFd();

// Uses `fd` as the terminal from now on instead of opening "/dev/tty" (-1:
// none). The terminal module does not close it.
void ASCIIUseTerminal(int fd);

// Result of one keyboard poll.
enum class ASCIIKeyState {
    NONE,  // nothing typed (or no terminal)
    LINE,  // a line was read
    END,   // end of input or a read error: no line will ever come
};

// One poll of the terminal without waiting; a read line loses its line end.
ASCIIKeyState ASCIITerminalRead(std::string* line);

// Hides and shows the typed characters (on the terminal's own descriptor).
void ASCIIEchoOff();
void ASCIIEchoOn();

// Hides the typing and writes `prompt` on standard error; the prompt is
// kept, to be shown again after a stop, until ASCIIEchoOn.
void ASCIIHiddenPrompt(const char* prompt);

// Before the process stops: the terminal gets its own mode back for the
// shell. After the continue: a hidden prompt hides the typing again and is
// shown anew on a line of its own.
void ASCIITerminalBeforeStop();
void ASCIITerminalAfterContinue();

// At the end of a run at a hidden prompt: the line end that the hidden
// Enter did not show, then the echo again.
void ASCIILeaveHiddenInput();

// 1 while the echo is switched off.
int ASCIIEchoIsOff();
