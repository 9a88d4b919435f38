// The namespace network of the tests (see test_network.h).
#include "test_network.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr const char* NETNS_DIR = "/run/netns/";
constexpr const char* NAME_START = "qvt";  // qvt<pid>x<instance>-<role>
constexpr int POLL_STEP_MS = 5;

std::string netns_path(const std::string& ns)
{
    return NETNS_DIR + ns;
}

bool write_text(const char* path, const std::string& text)
{
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    return ok;
}

// A mount namespace of our own, once. As root it only stops our mounts from
// reaching the machine; otherwise the process first becomes root of a user
// namespace of its own (one-way, like `unshare -Urm`), which the mounts of
// the network below need as well.
bool own_mount_namespace(std::string* why)
{
    static int state = 0;  // 0 untried, 1 done, -1 failed
    static std::string failure;
    if (state == 0) {
        if (geteuid() == 0) {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0)
                failure = std::string("no mount namespace: ") + std::strerror(errno);
        } else {
            uid_t uid = geteuid();
            gid_t gid = getegid();
            if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                failure = std::string("not root, and no user namespace: ") + std::strerror(errno);
            } else if (!write_text("/proc/self/setgroups", "deny") ||
                       !write_text("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                       !write_text("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
                failure = "cannot map this user into the user namespace";
            } else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                failure = std::string("cannot make the mounts private: ") + std::strerror(errno);
            }
        }
        state = failure.empty() ? 1 : -1;
    }
    if (state < 0 && why != nullptr)
        *why = failure;
    return state > 0;
}

// Where not root, also a network namespace of our own once (so that `ip` may
// return to where it started), with a private /run so that `ip netns` can
// keep its mount points there.
bool gain_privileges(std::string* why)
{
    static int state = 0;  // 0 untried, 1 done, -1 failed
    static std::string failure;
    if (state == 0) {
        if (geteuid() == 0) {
            state = 1;
        } else {
            if (!own_mount_namespace(&failure)) {
            } else if (unshare(CLONE_NEWNET) != 0) {
                failure = std::string("no network namespace: ") + std::strerror(errno);
            } else if (mount("tmpfs", "/run", "tmpfs", 0, nullptr) != 0 ||
                       mkdir("/run/netns", 0755) != 0) {
                failure = std::string("cannot make a private /run/netns: ") + std::strerror(errno);
            }
            state = failure.empty() ? 1 : -1;
        }
    }
    if (state < 0 && why != nullptr)
        *why = failure;
    return state > 0;
}

constexpr const char* X_SOCKETS = "/tmp/.X11-unix";

// The X servers whose sockets are in X_SOCKETS now ("X0" gives 0).
std::vector<int> x_displays()
{
    std::vector<int> displays;
    DIR* d = opendir(X_SOCKETS);
    if (d == nullptr)
        return displays;
    while (dirent* entry = readdir(d)) {
        char* end = nullptr;
        if (entry->d_name[0] != 'X' || entry->d_name[1] == '\0')
            continue;
        long n = std::strtol(entry->d_name + 1, &end, 10);
        struct stat info {};
        if (*end == '\0' && n >= 0 &&
            fstatat(dirfd(d), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISSOCK(info.st_mode))
            displays.push_back(int(n));
    }
    closedir(d);
    return displays;
}

// An X server that runs outside stays reachable from the new /tmp: its
// socket is mounted over a name of the same kind, and a lock file with a
// live process keeps an X server started inside off its display.
bool keep_x_server(int outside, int display)
{
    const std::string name = "X" + std::to_string(display);
    const std::string from = "/proc/self/fd/" + std::to_string(outside) + "/" + name;
    const std::string to = std::string(X_SOCKETS) + "/" + name;
    int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    close(fd);
    if (mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        // A server that ended since its socket was listed needs no place.
        const bool gone = errno == ENOENT;
        unlink(to.c_str());
        return gone;
    }
    const std::string lock = "/tmp/.X" + std::to_string(display) + "-lock";
    fd = open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
    if (fd < 0)
        return false;
    char pid[16];
    std::snprintf(pid, sizeof pid, "%10d\n", int(getpid()));
    bool ok = write(fd, pid, std::strlen(pid)) == ssize_t(std::strlen(pid));
    close(fd);
    return ok;
}

// Namespaces of ours whose process is gone (a test that crashed).
void remove_stale_namespaces()
{
    DIR* dir = opendir(NETNS_DIR);
    if (dir == nullptr)
        return;
    std::vector<std::string> stale;
    size_t start = std::strlen(NAME_START);
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.compare(0, start, NAME_START) != 0)
            continue;
        char* end = nullptr;
        long pid = std::strtol(name.c_str() + start, &end, 10);
        if (end == name.c_str() + start || *end != 'x' || pid <= 0)
            continue;
        if (pid == getpid())
            continue;
        if (kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            stale.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : stale) {
        pid_t pid = fork();
        if (pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0)
                dup2(null, 2);
            execlp("ip", "ip", "netns", "del", name.c_str(), (char*)nullptr);
            _exit(127);
        }
        if (pid > 0)
            waitpid(pid, nullptr, 0);
    }
}

int decode_status(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

std::string test_net_dotted(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool test_private_tmp(std::string* why)
{
    static int state = 0;  // 0 untried, 1 done, -1 failed
    static std::string failure;
    if (state == 0) {
        if (own_mount_namespace(&failure)) {
            // The machine's X sockets, to be reached again once /tmp is covered.
            int outside = open(X_SOCKETS, O_PATH | O_DIRECTORY | O_CLOEXEC);
            const std::vector<int> displays = outside >= 0 ? x_displays() : std::vector<int>();
            if (mount("tmpfs", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0) {
                failure = std::string("cannot mount a tmpfs on /tmp: ") + std::strerror(errno);
            } else if (mkdir(X_SOCKETS, 01777) != 0 || chmod(X_SOCKETS, 01777) != 0) {
                failure = std::string("cannot make ") + X_SOCKETS + ": " + std::strerror(errno);
            } else {
                for (int display : displays) {
                    if (!keep_x_server(outside, display)) {
                        failure = "cannot keep X display :" + std::to_string(display) + ": " +
                                  std::strerror(errno);
                        break;
                    }
                }
            }
            if (outside >= 0)
                close(outside);
        }
        state = failure.empty() ? 1 : -1;
    }
    if (state < 0 && why != nullptr)
        *why = failure;
    return state > 0;
}

void PrivateTmpEnvironment::SetUp()
{
    std::string why;
    if (!test_private_tmp(&why))
        GTEST_SKIP() << "no /tmp of the test's own, so the machine's would be written: " << why;
}

TestNetwork::TestNetwork(int routers)
{
    static int instances = 0;
    prefix_ =
        std::string(NAME_START) + std::to_string(getpid()) + "x" + std::to_string(instances++);
    ok_ = build(routers);
}

TestNetwork::~TestNetwork()
{
    std::set<pid_t> left = children_;
    for (pid_t pid : left)
        stop(pid, 0);
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        ip({"netns", "del", *it});
}

void TestNetwork::fail(const std::string& why)
{
    if (error_.empty())
        error_ = why;
}

bool TestNetwork::ip(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    int status = run("", argv, &output);
    if (status == 0)
        return true;
    std::string line = "ip";
    for (const std::string& a : args)
        line += " " + a;
    fail(line + " failed (" + std::to_string(status) + "): " + output);
    return false;
}

bool TestNetwork::build(int routers)
{
    if (routers < 0 || routers > TEST_NET_MAX_ROUTERS) {
        fail("router count out of range");
        return false;
    }
    std::string why;
    if (!gain_privileges(&why)) {
        fail(why);
        return false;
    }
    remove_stale_namespaces();

    hub_ = prefix_ + "-hub";
    workstation_ = prefix_ + "-ws";
    for (int i = 1; i <= routers; i++)
        routers_.push_back(prefix_ + "-r" + std::to_string(i));

    std::vector<std::string> nodes{workstation_};
    nodes.insert(nodes.end(), routers_.begin(), routers_.end());
    if (!ip({"netns", "add", hub_}))
        return false;
    made_.push_back(hub_);
    if (!ip({"-n", hub_, "link", "add", "br0", "type", "bridge"}) ||
        !ip({"-n", hub_, "link", "set", "br0", "up"}))
        return false;
    for (size_t k = 0; k < nodes.size(); k++) {
        const std::string& ns = nodes[k];
        std::string port = k == 0 ? "ws" : "r" + std::to_string(k);
        std::string cidr = test_net_dotted(TEST_NET_WORKSTATION_IP + uint32_t(k)) + "/24";
        if (!ip({"netns", "add", ns}))
            return false;
        made_.push_back(ns);
        if (!ip({"-n", hub_, "link", "add", port, "type", "veth", "peer", "name", "eth0", "netns",
                 ns}) ||
            !ip({"-n", hub_, "link", "set", port, "master", "br0", "up"}) ||
            !ip({"-n", ns, "addr", "add", cidr, "broadcast", "+", "dev", "eth0"}) ||
            !ip({"-n", ns, "link", "set", "eth0", "up"}) ||
            !ip({"-n", ns, "link", "set", "lo", "up"}))
            return false;
    }
    return true;
}

const std::string& TestNetwork::router(int i) const
{
    static const std::string none;
    if (i < 1 || i > int(routers_.size()))
        return none;
    return routers_[size_t(i - 1)];
}

TestNetwork::Scope::~Scope()
{
    if (original_ < 0)
        return;
    if (setns(original_, CLONE_NEWNET) != 0) {
        // Staying in a test namespace would make every later socket lie.
        std::fprintf(stderr, "test network: cannot return to the original namespace\n");
        std::abort();
    }
    close(original_);
}

TestNetwork::Scope TestNetwork::enter(const std::string& ns)
{
    int original = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (ns.empty())
        return Scope(original);  // stay where we are
    int target = open(netns_path(ns).c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = original >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
    if (target >= 0)
        close(target);
    if (!ok) {
        fail("cannot enter namespace " + ns + ": " + std::strerror(errno));
        if (original >= 0)
            close(original);
        return Scope(-1);
    }
    return Scope(original);
}

bool TestNetwork::add_address(const std::string& ns, const std::string& cidr)
{
    return ip({"-n", ns, "addr", "add", cidr, "dev", "eth0"});
}

bool TestNetwork::add_default_route(const std::string& ns)
{
    return ip({"-n", ns, "route", "add", "default", "dev", "eth0"});
}

pid_t TestNetwork::spawn(const std::string& ns, const std::vector<std::string>& argv,
                         const SpawnOptions& options)
{
    if (argv.empty()) {
        fail("spawn without a program");
        return -1;
    }
    int target = -1;
    if (!ns.empty()) {
        target = open(netns_path(ns).c_str(), O_RDONLY | O_CLOEXEC);
        if (target < 0) {
            fail("no namespace " + ns);
            return -1;
        }
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (target >= 0 && setns(target, CLONE_NEWNET) != 0)
            _exit(126);
        const int wanted[3] = {options.stdin_fd, options.stdout_fd, options.stderr_fd};
        for (int fd = 0; fd < 3; fd++)
            if (wanted[fd] >= 0 && wanted[fd] != fd)
                dup2(wanted[fd], fd);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0)
            _exit(126);
        for (const std::string& e : options.env) {
            size_t eq = e.find('=');
            if (eq == std::string::npos)
                unsetenv(e.c_str());
            else
                setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
        }
        if (options.in_child)
            options.in_child();
        execvp(args[0], args.data());
        _exit(127);
    }
    if (target >= 0)
        close(target);
    if (pid < 0) {
        fail(std::string("fork: ") + std::strerror(errno));
        return -1;
    }
    setpgid(pid, pid);  // also from here, so a signal right away reaches the group
    children_.insert(pid);
    return pid;
}

int TestNetwork::wait(pid_t pid, int timeout_ms)
{
    if (children_.count(pid) == 0)
        return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            children_.erase(pid);
            return done == pid ? decode_status(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_STEP_MS));
    }
}

int TestNetwork::stop(pid_t pid, int grace_ms)
{
    if (children_.count(pid) == 0)
        return -1;
    if (kill(-pid, SIGTERM) != 0)
        kill(pid, SIGTERM);
    int status = wait(pid, grace_ms);
    if (status >= 0)
        return status;
    if (kill(-pid, SIGKILL) != 0)
        kill(pid, SIGKILL);
    int raw = 0;
    pid_t done = waitpid(pid, &raw, 0);
    children_.erase(pid);
    return done == pid ? decode_status(raw) : -1;
}

int TestNetwork::run(const std::string& ns, const std::vector<std::string>& argv,
                     std::string* output, int timeout_ms)
{
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        fail(std::string("pipe: ") + std::strerror(errno));
        return -1;
    }
    SpawnOptions options;
    options.stdout_fd = pipe_fds[1];
    options.stderr_fd = pipe_fds[1];
    int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    options.stdin_fd = null;
    pid_t pid = spawn(ns, argv, options);
    close(pipe_fds[1]);
    if (null >= 0)
        close(null);
    if (pid < 0) {
        close(pipe_fds[0]);
        return -1;
    }
    std::string collected;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    bool timed_out = false;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        pollfd p{pipe_fds[0], POLLIN, 0};
        int ready = poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[4096];
        ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;  // every writer closed: the program has ended
        collected.append(buffer, size_t(n));
    }
    close(pipe_fds[0]);
    if (output != nullptr)
        *output = collected;
    if (timed_out) {
        stop(pid, 0);
        return -1;
    }
    int status = wait(pid, timeout_ms);
    if (status < 0)
        stop(pid, 0);
    return status;
}
