#include "peer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_all(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

void remove_tree(const std::string& dir)
{
    if (dir.empty())
        return;
    std::error_code ignored;  // a directory left behind in /tmp is harmless
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace

int64_t peer_now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

PeerProcess::PeerProcess(TestNetwork& net, const std::string& ns,
                         const std::vector<SimRouter>& routers,
                         const std::vector<std::string>& global)
    : net_(net), ns_(ns), script_(peer_script_text(routers, global))
{
    char tmpl[] = "/tmp/router-peer-XXXXXX";
    if (mkdtemp(tmpl))
        dir_ = tmpl;
}

PeerProcess::~PeerProcess()
{
    stop();
    remove_tree(dir_);
}

bool PeerProcess::start(int timeout_ms)
{
    if (dir_.empty()) {
        error_ = "no temporary directory";
        return false;
    }
    if (pid_ > 0) {
        error_ = "already running";
        return false;
    }
    if (!write_all(script_path(), script_)) {
        error_ = "cannot write " + script_path();
        return false;
    }
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return false;
    }
    int err_fd = open((dir_ + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    SpawnOptions options;
    options.stdout_fd = pipe_fds[1];
    options.stderr_fd = err_fd;
    std::vector<std::string> argv = {std::string(QORVEL_BUILD_DIR) + "/peer/router-peer",
                                     "--script",
                                     script_path(),
                                     "--log",
                                     log_path(),
                                     "--state",
                                     state_path(),
                                     "--image-dir",
                                     dir_};
    pid_ = net_.spawn(ns_, argv, options);
    close(pipe_fds[1]);
    if (err_fd >= 0)
        close(err_fd);
    if (pid_ <= 0) {
        close(pipe_fds[0]);
        pid_ = -1;
        error_ = "spawn failed: " + net_.error();
        return false;
    }
    // The ready line comes on standard output once the socket is bound.
    std::string out;
    int64_t deadline = peer_now_ms() + timeout_ms;
    bool ready = false;
    while (!ready) {
        int64_t left = deadline - peer_now_ms();
        if (left <= 0)
            break;
        pollfd p{pipe_fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[256];
        ssize_t n = read(pipe_fds[0], buf, sizeof buf);
        if (n <= 0)
            break;  // the program ended
        out.append(buf, static_cast<size_t>(n));
        ready = out.find("READY") != std::string::npos && out.find('\n') != std::string::npos;
    }
    close(pipe_fds[0]);
    if (!ready) {
        error_ = "router-peer not ready: " + out + stderr_text();
        stop();
        return false;
    }
    return true;
}

int PeerProcess::stop()
{
    if (pid_ <= 0)
        return -1;
    int status = net_.stop(pid_, PEER_STOP_GRACE_MS);
    pid_ = -1;
    return status;
}

std::string PeerProcess::stderr_text() const
{
    return read_all(dir_ + "/stderr");
}

std::string PeerProcess::log_text() const
{
    return read_all(log_path());
}

std::vector<PeerLogLine> PeerProcess::log() const
{
    return peer_parse_log(log_text());
}

bool PeerProcess::sleep_poll(int64_t deadline_ms) const
{
    if (peer_now_ms() >= deadline_ms)
        return false;
    usleep(PEER_POLL_MS * 1000);
    return true;
}

bool PeerProcess::wait_event(const std::string& router, const std::string& text, int timeout_ms)
{
    bool ok = wait_log(
        [&](const PeerLogLine& l) {
            return l.kind == PeerLogLine::EV && l.router == router &&
                   l.text.find(text) != std::string::npos;
        },
        timeout_ms);
    if (!ok)
        error_ = "no event \"" + text + "\" of " + router + " within " +
                 std::to_string(timeout_ms) + " ms";
    return ok;
}

std::vector<std::string> PeerProcess::events(const std::string& router) const
{
    std::vector<std::string> out;
    for (const PeerLogLine& l : log())
        if (l.kind == PeerLogLine::EV && l.router == router)
            out.push_back(l.text);
    return out;
}

std::vector<PeerLogLine> PeerProcess::datagrams(PeerLogLine::Kind kind, int code) const
{
    std::vector<PeerLogLine> out;
    for (const PeerLogLine& l : log())
        if (l.kind == kind && !l.short_datagram && (code < 0 || l.code == code))
            out.push_back(l);
    return out;
}

std::vector<PeerLogLine> PeerProcess::requests(PeerLogLine::Kind kind, int code) const
{
    std::vector<PeerLogLine> out;
    for (const PeerLogLine& l : datagrams(kind, code)) {
        bool repeat = false;
        for (const PeerLogLine& kept : out)
            if (l.seq != 0 && kept.seq == l.seq && kept.from == l.from && kept.code == l.code &&
                kept.data == l.data)
                repeat = true;
        if (!repeat)
            out.push_back(l);
    }
    return out;
}

bool PeerProcess::state(std::vector<SimRouter>* routers)
{
    std::string text = read_all(state_path());
    if (text.empty()) {
        error_ = "no state file";
        return false;
    }
    return peer_parse_state(text, routers, &error_);
}

bool PeerProcess::router(const std::string& name, SimRouter* out)
{
    std::vector<SimRouter> all;
    if (!state(&all))
        return false;
    for (const SimRouter& r : all) {
        if (r.name == name) {
            *out = r;
            return true;
        }
    }
    error_ = "no router " + name + " in the state file";
    return false;
}

std::vector<uint8_t> PeerProcess::image(const std::string& router) const
{
    std::string bytes = read_all(image_path(router));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
