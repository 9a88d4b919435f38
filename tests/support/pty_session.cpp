#include "pty_session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline)
{
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void close_fd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

}  // namespace

PtySession::~PtySession()
{
    if (running()) {
        signal(SIGKILL);
        reap(true);
    }
    close_fd(master_);
    close_fd(slave_);
    close_fd(out_fd_);
    close_fd(err_fd_);
}

bool PtySession::start(const std::vector<std::string>& argv, const PtyOptions& options)
{
    if (argv.empty() || pid_ > 0)
        return false;
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0)
        return false;
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return false;
    }
    // Everything the child needs is prepared before the fork.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    termios mode{};
    cfmakeraw(&mode);
    // A plain line-editing terminal with echo, as a user's shell leaves it.
    mode.c_iflag = ICRNL | IXON;
    mode.c_oflag = OPOST | ONLCR;
    mode.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK;
    mode.c_cflag = CS8 | CREAD;
    mode.c_cc[VEOF] = 4;
    mode.c_cc[VINTR] = 3;
    mode.c_cc[VERASE] = 0x7f;
    cfsetispeed(&mode, B38400);
    cfsetospeed(&mode, B38400);
    winsize size{24, 80, 0, 0};

    pid_t pid = forkpty(&master_, nullptr, &mode, &size);
    if (pid < 0) {
        for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        return false;
    }
    if (pid == 0) {
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        for (const std::string& e : options.env) {
            size_t eq = e.find('=');
            if (eq == std::string::npos)
                unsetenv(e.c_str());
            else
                setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0)
            _exit(126);
        if (options.in_child)
            options.in_child();
        execvp(args[0], args.data());
        _exit(127);
    }
    pid_ = pid;
    status_ = -1;
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    if (const char* name = ptsname(master_))
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return true;
}

bool PtySession::type(const std::string& line)
{
    return keys(line + "\n");
}

bool PtySession::keys(const std::string& data)
{
    if (master_ < 0)
        return false;
    size_t done = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(PTY_DEFAULT_TIMEOUT_MS);
    while (done < data.size()) {
        ssize_t n = write(master_, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (remaining_ms(deadline) == 0)
            return false;
        read_available(10);
    }
    return true;
}

bool PtySession::read_available(int wait_ms)
{
    pollfd watch[3];
    int* fds[3] = {&out_fd_, &err_fd_, &master_};
    std::string* sinks[3] = {&out_, &err_, &tty_};
    int map[3];
    nfds_t count = 0;
    for (int i = 0; i < 3; ++i) {
        if (*fds[i] < 0)
            continue;
        watch[count] = pollfd{*fds[i], POLLIN, 0};
        map[count++] = i;
    }
    if (count == 0)
        return false;
    int ready = poll(watch, count, wait_ms);
    if (ready <= 0)
        return true;
    for (nfds_t k = 0; k < count; ++k) {
        if (watch[k].revents == 0)
            continue;
        int i = map[k];
        char buffer[4096];
        ssize_t n = read(*fds[i], buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            // A pipe at its end; the master reports EIO once no slave is open.
            close_fd(*fds[i]);
        }
    }
    return true;
}

void PtySession::reap(bool block)
{
    if (pid_ <= 0 || status_ >= 0)
        return;
    int raw = 0;
    pid_t r = waitpid(pid_, &raw, block ? 0 : WNOHANG);
    if (r != pid_)
        return;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

const std::string& PtySession::text(Stream stream) const
{
    return stream == OUT ? out_ : stream == ERR ? err_ : tty_;
}

bool PtySession::wait_for(Stream stream, const std::string& wanted, int timeout_ms)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (text(stream).find(wanted) != std::string::npos)
            return true;
        reap(false);
        bool open = read_available(std::min(remaining_ms(deadline), 50));
        if (text(stream).find(wanted) != std::string::npos)
            return true;
        if (!running() && !open)
            return false;
        // After the child's end, drain what is left, then give up.
        if (!running()) {
            read_available(0);
            if (text(stream).find(wanted) != std::string::npos)
                return true;
            return false;
        }
        if (remaining_ms(deadline) == 0)
            return false;
    }
}

int PtySession::wait_exit(int timeout_ms)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (running()) {
        reap(false);
        if (!running())
            break;
        if (remaining_ms(deadline) == 0)
            return -1;
        if (!read_available(std::min(remaining_ms(deadline), 50)))
            usleep(10000);
    }
    // The pipes may still hold the last output; a grandchild that kept them
    // open must not hold the test, so this drain is bounded too.
    auto drain_end = Clock::now() + std::chrono::milliseconds(500);
    while ((out_fd_ >= 0 || err_fd_ >= 0) && remaining_ms(drain_end) > 0)
        read_available(20);
    read_available(0);
    return status_;
}

void PtySession::signal(int sig)
{
    if (running())
        kill(-pid_, sig);
}

void PtySession::hang_up()
{
    close_fd(slave_);
    close_fd(master_);
}

void PtySession::close_out()
{
    close_fd(out_fd_);
}

bool PtySession::set_echo(bool on)
{
    termios mode{};
    if (slave_ < 0 || tcgetattr(slave_, &mode) != 0)
        return false;
    if (on)
        mode.c_lflag |= ECHO;
    else
        mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    return tcsetattr(slave_, TCSANOW, &mode) == 0;
}

int PtySession::echo_on() const
{
    if (slave_ < 0)
        return -1;
    termios mode{};
    if (tcgetattr(slave_, &mode) != 0)
        return -1;
    return (mode.c_lflag & ECHO) ? 1 : 0;
}
