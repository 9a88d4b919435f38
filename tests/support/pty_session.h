// Runs a program under a pseudo-terminal of its own, the way a user at a
// terminal would: the pty is the child's controlling terminal (so it can open
// "/dev/tty", and its standard input), while its standard output and
// standard error are pipes collected apart. The test types lines, waits for
// texts and for the exit, each wait bounded.
//
//     PtySession s;
//     ASSERT_TRUE(s.start({QORVEL_BUILD_DIR "/term/qorvel-ascii", "rov"}, options));
//     ASSERT_TRUE(s.wait_for(PtySession::ERR, "--> ", 5000));
//     s.type("1");
//     EXPECT_EQ(s.wait_exit(5000), 0);
//     EXPECT_EQ(s.out(), "...");
//
// The destructor kills the child's process group if it still runs.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

constexpr int PTY_DEFAULT_TIMEOUT_MS = 10000;  // default bound of every wait

struct PtyOptions {
    std::vector<std::string> env;    // "NAME=value" sets, a bare "NAME" unsets
    std::string cwd;                 // working directory; empty: unchanged
    std::function<void()> in_child;  // runs in the child just before exec (e.g. enter a namespace)
};

class PtySession {
public:
    enum Stream { OUT, ERR, TTY };  // standard output, standard error, the terminal

    PtySession() = default;
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Starts argv[0] (a path, or a name searched in PATH). False when the
    // pty, the pipes or the fork failed.
    bool start(const std::vector<std::string>& argv, const PtyOptions& options = PtyOptions());

    // Types `line` and Enter at the terminal.
    bool type(const std::string& line);
    // Types `keys` as they are (e.g. "\x04", end of input at a line start).
    bool keys(const std::string& keys);

    // Reads what has come until `text` stands in the stream (counted from the
    // start of the run), the child ended and its output is drained, or
    // timeout_ms passed. True when the text came.
    bool wait_for(Stream stream, const std::string& text, int timeout_ms = PTY_DEFAULT_TIMEOUT_MS);

    // Waits for the child's end, reading its output meanwhile. Returns its
    // exit status, 128 + signal when a signal ended it, or -1 on time-out
    // (it keeps running).
    int wait_exit(int timeout_ms = PTY_DEFAULT_TIMEOUT_MS);

    // Sends a signal to the child's process group.
    void signal(int sig);

    // Closes the terminal (both sides this session holds): the child's
    // session gets SIGHUP, as when a user's terminal goes away.
    void hang_up();

    // Closes the reading end of standard output, as a reader that has seen
    // enough ("| head") does: the child's next write finds the pipe closed.
    void close_out();

    // Switches the terminal's echo on or off, as a job-control shell does
    // when it stops a job and takes the terminal back. False when it failed.
    bool set_echo(bool on);

    // Reads whatever is available now, without waiting.
    void pump() { read_available(0); }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }
    const std::string& tty() const { return tty_; }
    const std::string& text(Stream stream) const;
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && status_ < 0; }

    // 1 while the terminal's echo is on, 0 when the child switched it off,
    // -1 when that cannot be told.
    int echo_on() const;

private:
    // Polls the open descriptors for at most wait_ms and appends what came.
    // Returns false when nothing is left open to read.
    bool read_available(int wait_ms);
    void reap(bool block);

    pid_t pid_ = -1;
    int status_ = -1;  // exit status once reaped
    int master_ = -1;
    int slave_ = -1;  // kept open so the terminal's state outlives the child
    int out_fd_ = -1;
    int err_fd_ = -1;
    std::string out_;
    std::string err_;
    std::string tty_;
};
