// Shared set-up of the terminal program's end-to-end tests: a namespace
// network with simulated routers, a data directory with a "qorvel.def" that
// gives the workstation's address, and the real qorvel-ascii started in the
// workstation namespace under a pseudo-terminal.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "emergency_copies.h"
#include "peer_process.h"
#include "pty_session.h"
#include "test_network.h"

constexpr const char* TERM_PROGRAM = QORVEL_BUILD_DIR "/term/qorvel-ascii";
constexpr int TERM_WAIT_MS = 8000;  // a step that needs no time-out of the router protocol

inline std::string term_read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void term_write_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A line target with the built-in x75 and null definitions, as a router
// holds it.
inline SimLine term_x75_line(int index, const std::string& host, const std::string& phone)
{
    SimLine l = sim_line(index, host, phone);
    l.l2 = 1;
    l.blocksize = 1500;
    l.addr_a = 3;
    l.addr_b = 1;
    l.modulo = 8;
    l.window = 7;
    l.l3 = 4;
    l.byte = 8;
    l.timeout = 20;
    return l;
}

// Taken by tests that make the program write or check "/tmp/save.cfg":
// removes the earlier copies kept beside it ("/tmp/save.cfg.N") that the
// test made. Each test process has a /tmp of its own (private_tmp.cpp), so
// no other test meets it there and the machine's copy is never touched.
class SaveFileLock {
public:
    SaveFileLock() : kept_before_(kept_emergency_copies()) {}
    ~SaveFileLock() { remove_emergency_copies_since(kept_before_); }
    const std::set<std::string>& kept_before() const { return kept_before_; }

private:
    std::set<std::string> kept_before_;
};

class TermE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qorvel-term-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        term_write_file(path("qorvel.def"),
                        "qorvel_hostname 10.77.0.1\n"
                        "qorvel_netmask 255.255.255.0\n"
                        "qorvel_name_resolving off\n");
    }
    void TearDown() override
    {
        session_.reset();
        peers_.clear();
        std::string command = "rm -rf '" + dir_ + "'";
        (void)!system(command.c_str());
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // The network is built on first use: the usage tests need none.
    TestNetwork& net()
    {
        if (!net_)
            net_ = std::make_unique<TestNetwork>(2);
        return *net_;
    }

    // A simulated router i (1 or 2) at 10.77.0.(1+i) in namespace i.
    SimRouter router(int i)
    {
        return sim_router("r" + std::to_string(i), test_net_dotted(net().router_ip(i)),
                          "00:a0:f9:00:00:0" + std::to_string(i));
    }

    // Starts router-peer in router namespace `ns` serving `routers`.
    PeerProcess* start_peer(int ns, const std::vector<SimRouter>& routers)
    {
        peers_.emplace_back(new PeerProcess(net(), net().router(ns), routers));
        if (!peers_.back()->start()) {
            ADD_FAILURE() << "router-peer: " << peers_.back()->error();
            return nullptr;
        }
        return peers_.back().get();
    }

    // Starts qorvel-ascii with `args`; `german` sets QORVEL_LANG=GERMAN.
    // With `network` it runs in the workstation namespace.
    PtySession& run(const std::vector<std::string>& args, bool german = false, bool network = true)
    {
        std::vector<std::string> argv = {TERM_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_argv(argv, german, network);
    }

    // Starts `argv` (a shell line that runs qorvel-ascii, for instance) the
    // way run() starts the program; `env` adds to or unsets in its
    // environment.
    PtySession& run_argv(const std::vector<std::string>& argv, bool german = false,
                         bool network = true, const std::vector<std::string>& env = {})
    {
        session_ = std::make_unique<PtySession>();
        PtyOptions options;
        options.env = {"QORVEL_PATH=" + dir_, german ? "QORVEL_LANG=GERMAN" : "QORVEL_LANG"};
        options.env.insert(options.env.end(), env.begin(), env.end());
        options.cwd = dir_;
        if (network) {
            TestNetwork* n = &net();
            std::string ns = n->workstation();
            // The scope is never ended: exec takes the namespace along.
            options.in_child = [n, ns] { new TestNetwork::Scope(n->enter(ns)); };
        }
        EXPECT_TRUE(session_->start(argv, options));
        return *session_;
    }

    std::string dir_;
    std::unique_ptr<TestNetwork> net_;
    std::vector<std::unique_ptr<PeerProcess>> peers_;
    std::unique_ptr<PtySession> session_;
};

#define TERM_NETWORK_REQUIRE() TEST_NETWORK_REQUIRE(net())
