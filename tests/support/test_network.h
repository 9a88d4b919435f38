// A private test network, built by the test itself out of Linux network
// namespaces: one workstation and N routers, each with an "eth0" joined by a
// veth pair to a bridge in a hub namespace of its own, so nothing of the
// machine's own network is touched and real broadcast reaches every router.
//
//     10.77.0.1/24  workstation       (the product runs here)
//     10.77.0.2/24  router 1          (10.77.0.(1+i) for router i)
//     10.77.0.255   broadcast
//
// Namespace names carry the process id and an instance number, so tests run
// in parallel; namespaces left behind by a test process that died are removed
// by the next network built. As root the namespaces are made with
// `ip netns add`; otherwise the process first moves itself into a user and
// mount namespace of its own (one-way, like `unshare -Urn`). Where neither
// works ok() is false and TEST_NETWORK_REQUIRE skips the test.
//
// The programs under test write fixed names in /tmp (the emergency copy
// "/tmp/save.cfg" and the copies kept beside it), which belong to the
// machine's user. A test binary that runs them registers
// PrivateTmpEnvironment: before its first test the process moves into a
// mount namespace of its own with an empty tmpfs on /tmp, which every
// program it starts shares, so the test reads what they wrote as plain /tmp
// and the machine's /tmp is never touched. X servers that run outside stay
// reachable there; one started inside keeps its socket inside.
//
//     TestNetwork net(2);
//     TEST_NETWORK_REQUIRE(net);
//     {
//         auto inside = net.enter(net.workstation());  // sockets made now live there
//         ASSERT_TRUE(inside.ok());
//         ... open the product's socket ...
//     }                                                 // back in the original namespace
//     pid_t pid = net.spawn(net.router(1), {"/path/to/program", "arg"});
//     ...
//     net.stop(pid);
//
// The destructor kills what the network started and still runs, and deletes
// every namespace it made.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

constexpr uint16_t TEST_NET_PORT = 1532;                  // the routers' port, at both ends
constexpr uint32_t TEST_NET_WORKSTATION_IP = 0x0A4D0001;  // 10.77.0.1
constexpr uint32_t TEST_NET_NETMASK = 0xFFFFFF00;         // 255.255.255.0
constexpr uint32_t TEST_NET_BROADCAST_IP = 0x0A4D00FF;    // 10.77.0.255
constexpr int TEST_NET_MAX_ROUTERS = 200;                 // routers of one network at most
constexpr int TEST_NET_RUN_TIMEOUT_MS = 10000;            // default limit of run()
constexpr int TEST_NET_STOP_GRACE_MS = 1000;              // SIGTERM to SIGKILL in stop()

// 10.77.0.(1+i): the address of router i (1-based).
constexpr uint32_t test_net_router_ip(int i)
{
    return TEST_NET_WORKSTATION_IP + uint32_t(i);
}

// "a.b.c.d" of an address (most significant byte first).
std::string test_net_dotted(uint32_t address);

// How spawn() starts a program.
struct SpawnOptions {
    std::vector<std::string> env;  // "NAME=value" sets, a bare "NAME" unsets
    std::string cwd;               // working directory; empty: unchanged
    int stdin_fd = -1;             // descriptors put on 0, 1, 2 when >= 0
    int stdout_fd = -1;
    int stderr_fd = -1;
    std::function<void()> in_child;  // runs in the child just before exec (e.g. a terminal set-up)
};

class TestNetwork {
public:
    explicit TestNetwork(int routers = 1);
    ~TestNetwork();
    TestNetwork(const TestNetwork&) = delete;
    TestNetwork& operator=(const TestNetwork&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }  // why the network could not be built

    // Namespace names, as `ip netns` knows them.
    int routers() const { return int(routers_.size()); }
    const std::string& workstation() const { return workstation_; }
    const std::string& router(int i) const;  // 1-based
    uint32_t workstation_ip() const { return TEST_NET_WORKSTATION_IP; }
    uint32_t router_ip(int i) const { return test_net_router_ip(i); }

    // The calling thread's network namespace while the scope lives; a socket
    // made inside keeps that namespace after the scope ends.
    class Scope {
    public:
        explicit Scope(int original_fd) : original_(original_fd) {}
        Scope(Scope&& other) noexcept : original_(other.original_) { other.original_ = -1; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        ~Scope();
        bool ok() const { return original_ >= 0; }

    private:
        int original_;  // the namespace to return to, -1 when the switch failed
    };
    Scope enter(const std::string& ns);  // "" stays in the current namespace

    // Adds an address ("10.77.0.50/24") to a namespace's eth0.
    bool add_address(const std::string& ns, const std::string& cidr);
    // Routes everything else out of a namespace's eth0 (255.255.255.255 needs it).
    bool add_default_route(const std::string& ns);

    // Starts argv[0] (searched in PATH) inside a namespace ("" for the
    // current one), in a process group
    // of its own. Returns its pid, or -1 (with error() set).
    pid_t spawn(const std::string& ns, const std::vector<std::string>& argv,
                const SpawnOptions& options = SpawnOptions());
    // Waits at most timeout_ms for a process this network started. Returns
    // its exit status, 128 + signal when a signal ended it, -1 on time-out
    // (it keeps running) or for a pid this network did not start.
    int wait(pid_t pid, int timeout_ms);
    // SIGTERM to its process group, SIGKILL after grace_ms; returns the status as wait().
    int stop(pid_t pid, int grace_ms = TEST_NET_STOP_GRACE_MS);
    // spawn + wait, with standard output and error collected into *output
    // (may be null); killed after timeout_ms. Returns the status as wait().
    int run(const std::string& ns, const std::vector<std::string>& argv,
            std::string* output = nullptr, int timeout_ms = TEST_NET_RUN_TIMEOUT_MS);

private:
    bool build(int routers);
    bool ip(const std::vector<std::string>& args);  // `ip ARGS` in the original namespace
    void fail(const std::string& why);

    bool ok_ = false;
    std::string error_;
    std::string prefix_;  // common start of this network's namespace names
    std::string hub_;     // the bridge's namespace
    std::string workstation_;
    std::vector<std::string> routers_;
    std::vector<std::string> made_;  // namespaces to delete, in creation order
    std::set<pid_t> children_;       // started and not yet reaped
};

// Moves the process, once, into a mount namespace of its own with an empty
// tmpfs on /tmp (and the X sockets of servers already running outside);
// false (with the reason) where that cannot be done. Anything made in /tmp
// before is out of sight afterwards.
bool test_private_tmp(std::string* why = nullptr);

// Gives the whole test binary a private /tmp before its first test, and
// skips every test where that cannot be done.
class PrivateTmpEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
};

#define TEST_NETWORK_REQUIRE(net) \
    do { \
        if (!(net).ok()) \
            GTEST_SKIP() << "no test network: " << (net).error(); \
    } while (0)
