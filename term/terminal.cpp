#include "terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace {

// Module state: the terminal is one per process. The echo state is plain
// volatile types, as the exit handler reads them.
int terminal_fd = -1;
bool terminal_tried = false;
termios saved_mode{};
volatile sig_atomic_t echo_hidden = 0;
volatile sig_atomic_t echo_fd = -1;
bool restore_installed = false;
std::string hidden_prompt;  // the prompt of the hidden input, while it waits

void restore_echo()
{
    if (echo_hidden && echo_fd >= 0)
        tcsetattr(echo_fd, TCSANOW, &saved_mode);
    echo_hidden = 0;
}

// The terminal's own mode without the echo.
bool hide_typing(int fd)
{
    termios mode = saved_mode;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    return tcsetattr(fd, TCSANOW, &mode) == 0;
}

void install_restore()
{
    if (restore_installed)
        return;
    restore_installed = true;
    std::atexit(restore_echo);
}

}  // namespace

int ASCIITerminalFd()
{
    if (terminal_fd < 0 && !terminal_tried) {
        terminal_tried = true;
        terminal_fd = open(ASCII_TERMINAL, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    return terminal_fd;
}

void ASCIIUseTerminal(int fd)
{
    terminal_fd = fd;
    terminal_tried = true;
}

ASCIIKeyState ASCIITerminalRead(std::string* line)
{
    int fd = ASCIITerminalFd();
    if (fd < 0)
        return ASCIIKeyState::NONE;
    pollfd watch{fd, POLLIN, 0};
    int ready = poll(&watch, 1, 0);
    if (ready <= 0)
        return ASCIIKeyState::NONE;
    if (watch.revents & POLLNVAL)
        return ASCIIKeyState::END;

    char buffer[ASCII_BUFFER_SIZE];
    // One byte stays free for the terminator.
    ssize_t got = read(fd, buffer, sizeof buffer - 1);
    if (got < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            return ASCIIKeyState::NONE;
        return ASCIIKeyState::END;
    }
    if (got == 0)
        return ASCIIKeyState::END;
    size_t length = static_cast<size_t>(got);
    if (buffer[length - 1] == '\n')
        --length;
    line->assign(buffer, length);
    return ASCIIKeyState::LINE;
}

void ASCIIEchoOff()
{
    int fd = ASCIITerminalFd();
    if (fd < 0 || echo_hidden)
        return;
    termios mode{};
    if (tcgetattr(fd, &mode) != 0)
        return;
    install_restore();
    saved_mode = mode;
    echo_fd = fd;
    echo_hidden = 1;
    if (!hide_typing(fd))
        echo_hidden = 0;
}

void ASCIIEchoOn()
{
    hidden_prompt.clear();
    restore_echo();
}

void ASCIIHiddenPrompt(const char* prompt)
{
    // Hidden before the prompt shows, so nothing typed after it is seen.
    ASCIIEchoOff();
    hidden_prompt = prompt;
    std::fputs(prompt, stderr);
}

void ASCIITerminalBeforeStop()
{
    std::fflush(stderr);
    if (echo_hidden && echo_fd >= 0)
        tcsetattr(echo_fd, TCSANOW, &saved_mode);
}

void ASCIITerminalAfterContinue()
{
    if (!echo_hidden || echo_fd < 0)
        return;
    // The shell that continued the program may have set its own mode.
    hide_typing(echo_fd);
    if (!hidden_prompt.empty()) {
        std::fputs("\n", stderr);
        std::fputs(hidden_prompt.c_str(), stderr);
        std::fflush(stderr);
    }
}

void ASCIILeaveHiddenInput()
{
    if (!echo_hidden)
        return;
    std::fputs("\n", stderr);
    ASCIIEchoOn();
}

int ASCIIEchoIsOff()
{
    return echo_hidden ? 1 : 0;
}
