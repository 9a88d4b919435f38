// router-peer as a process of the test network: write its script, start it
// in a namespace, wait until it is bound, read its log, state file and the
// firmware images it received, stop it. Every wait is bounded.
//
//     TestNetwork net(2);
//     TEST_NETWORK_REQUIRE(net);
//     SimRouter r = sim_router("r1", test_net_dotted(net.router_ip(1)), "00:a0:f9:00:00:01");
//     PeerProcess peer(net, net.router(1), {r});
//     ASSERT_TRUE(peer.start()) << peer.error();
//     ... run the product in net.workstation() ...
//     ASSERT_TRUE(peer.wait_event("r1", "open accepted"));
//     SimRouter now;
//     ASSERT_TRUE(peer.router("r1", &now)) << peer.error();
//
// The files live in a temporary directory that the destructor removes after
// stopping the process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "peer_script.h"
#include "test_network.h"

constexpr int PEER_READY_TIMEOUT_MS = 5000;  // start() gives up after this
constexpr int PEER_WAIT_MS = 3000;           // default wait for a log line
constexpr int PEER_POLL_MS = 20;             // how often waits look at the log
constexpr int PEER_STOP_GRACE_MS = 5000;     // SIGTERM to SIGKILL (a sanitizer build exits slowly)

class PeerProcess {
public:
    // `global` lines go before the first router (default knobs, "interface").
    PeerProcess(TestNetwork& net, const std::string& ns, const std::vector<SimRouter>& routers,
                const std::vector<std::string>& global = {});
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // Writes the script and starts the program; true once it is ready.
    bool start(int timeout_ms = PEER_READY_TIMEOUT_MS);
    // SIGTERM (the peer writes its state and ends); the exit status as
    // TestNetwork::wait gives it, -1 when it was not running.
    int stop();
    bool running() const { return pid_ > 0; }
    const std::string& error() const { return error_; }  // why the last call failed

    const std::string& dir() const { return dir_; }  // the temporary directory
    std::string script_path() const { return dir_ + "/script"; }
    std::string log_path() const { return dir_ + "/log"; }
    std::string state_path() const { return dir_ + "/state"; }
    std::string image_path(const std::string& router) const { return dir_ + "/" + router + ".img"; }
    std::string stderr_text() const;  // what the program wrote on standard error

    // The log so far.
    std::string log_text() const;
    std::vector<PeerLogLine> log() const;
    // Waits until a log line satisfies `match` (lines already written count);
    // true when one did.
    template <typename Match>
    bool wait_log(Match match, int timeout_ms = PEER_WAIT_MS, PeerLogLine* found = nullptr);
    // Waits for an event of `router` whose text contains `text`.
    bool wait_event(const std::string& router, const std::string& text,
                    int timeout_ms = PEER_WAIT_MS);
    // The events of one router so far, oldest first.
    std::vector<std::string> events(const std::string& router) const;
    // The datagrams received (RX) or sent (TX) so far with a given code; -1 any code.
    std::vector<PeerLogLine> datagrams(PeerLogLine::Kind kind, int code = -1) const;
    // The same, a numbered datagram that the sender's transport repeated (same
    // sender, number and bytes) counted once: the requests the router took.
    // A loaded machine may repeat any of them before the acknowledgement.
    std::vector<PeerLogLine> requests(PeerLogLine::Kind kind, int code = -1) const;

    // The state file, parsed.
    bool state(std::vector<SimRouter>* routers);
    bool router(const std::string& name, SimRouter* out);
    // The last firmware image a router received (empty when none).
    std::vector<uint8_t> image(const std::string& router) const;

private:
    bool sleep_poll(int64_t deadline_ms) const;

    TestNetwork& net_;
    std::string ns_;
    std::string script_;
    std::string dir_;
    std::string error_;
    pid_t pid_ = -1;
};

int64_t peer_now_ms();

template <typename Match>
bool PeerProcess::wait_log(Match match, int timeout_ms, PeerLogLine* found)
{
    int64_t deadline = peer_now_ms() + timeout_ms;
    do {
        for (const PeerLogLine& l : log()) {
            if (match(l)) {
                if (found)
                    *found = l;
                return true;
            }
        }
    } while (sleep_poll(deadline));
    error_ = "no matching log line within " + std::to_string(timeout_ms) + " ms";
    return false;
}
