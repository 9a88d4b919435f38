#include "terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Module state: the terminal is one per process. The echo state is read by
// the signal handler, hence the plain volatile types.
int terminal_fd = -1;
bool terminal_tried = false;
termios saved_mode{};
volatile sig_atomic_t echo_hidden = 0;
volatile sig_atomic_t echo_fd = -1;
bool restore_installed = false;

constexpr int restore_signals[] = {SIGINT, SIGTERM, SIGHUP};

void restore_echo()
{
    if (echo_hidden && echo_fd >= 0)
        tcsetattr(echo_fd, TCSANOW, &saved_mode);
    echo_hidden = 0;
}

void restore_on_signal(int sig)
{
    // tcsetattr, signal and raise are async-signal-safe.
    restore_echo();
    signal(sig, SIG_DFL);
    raise(sig);
}

void install_restore()
{
    if (restore_installed)
        return;
    restore_installed = true;
    std::atexit(restore_echo);
    for (int sig : restore_signals) {
        struct sigaction action {};
        action.sa_handler = restore_on_signal;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
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
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    echo_hidden = 1;
    if (tcsetattr(fd, TCSANOW, &mode) != 0)
        echo_hidden = 0;
}

void ASCIIEchoOn()
{
    restore_echo();
}

int ASCIIEchoIsOff()
{
    return echo_hidden ? 1 : 0;
}
