// The namespace network the socket tests stand on: if it leaks traffic, loses
// broadcasts or leaves processes and namespaces behind, every test above it
// lies.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_network.h"
#include "test_socket.h"

namespace {

bool namespace_exists(const std::string& ns)
{
    struct stat info;
    return stat(("/run/netns/" + ns).c_str(), &info) == 0;
}

// Alive: exists and is not a zombie waiting for its parent to reap it.
bool process_alive(pid_t pid)
{
    for (int i = 0; i < 200; i++) {  // a signalled process may take a moment to end
        FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
        if (f == nullptr)
            return false;
        char state = '?';
        int fields = std::fscanf(f, "%*d (%*[^)]) %c", &state);
        std::fclose(f);
        if (fields == 1 && state == 'Z')
            return false;
        usleep(10000);
    }
    return true;
}

TEST(TestNetwork, BroadcastFromTheWorkstationReachesEveryRouterAndUnicastOnlyItsTarget)
{
    TestNetwork net(2);
    TEST_NETWORK_REQUIRE(net);
    TestSocket ws(net, net.workstation());
    TestSocket r1(net, net.router(1));
    TestSocket r2(net, net.router(2));
    ASSERT_TRUE(ws.ok() && r1.ok() && r2.ok()) << ws.error() << r1.error() << r2.error();

    ASSERT_TRUE(ws.send_to(TEST_NET_BROADCAST_IP, {1, 2, 3}));
    // The sender hears its own broadcast too, as on a real network.
    for (TestSocket* router : {&ws, &r1, &r2}) {
        TestDatagram got;
        ASSERT_TRUE(router->receive(&got));
        EXPECT_EQ(got.from, TEST_NET_WORKSTATION_IP);
        EXPECT_EQ(got.port, TEST_NET_PORT);
        EXPECT_EQ(got.bytes, (std::vector<uint8_t>{1, 2, 3}));
    }

    ASSERT_TRUE(r2.send_to(net.workstation_ip(), {9}));
    TestDatagram got;
    ASSERT_TRUE(ws.receive(&got));
    EXPECT_EQ(got.from, net.router_ip(2));
    EXPECT_TRUE(r1.quiet());
}

TEST(TestNetwork, SocketsMadeInsideKeepTheirNamespaceAfterTheScopeEnds)
{
    TestNetwork net(1);
    TEST_NETWORK_REQUIRE(net);
    // The same port twice: only possible when the two sockets live apart.
    TestSocket first(net, net.workstation());
    TestSocket second(net, net.router(1));
    ASSERT_TRUE(first.ok() && second.ok());
    // A third one out here (unless a program of this machine holds the
    // port) hears nothing of the test network.
    TestSocket outside(net, "");
    ASSERT_TRUE(second.send_to(net.workstation_ip(), {4}));
    TestDatagram got;
    EXPECT_TRUE(first.receive(&got));
    if (outside.ok()) {
        EXPECT_TRUE(outside.quiet());
    }
}

TEST(TestNetwork, AnExtraAddressSendsAndReceives)
{
    TestNetwork net(1);
    TEST_NETWORK_REQUIRE(net);
    ASSERT_TRUE(net.add_address(net.router(1), "10.77.0.50/24")) << net.error();
    TestSocket extra(net, net.router(1), TEST_NET_PORT, 0x0A4D0032);
    TestSocket ws(net, net.workstation());
    ASSERT_TRUE(extra.ok() && ws.ok()) << extra.error();
    ASSERT_TRUE(extra.send_to(net.workstation_ip(), {7}));
    TestDatagram got;
    ASSERT_TRUE(ws.receive(&got));
    EXPECT_EQ(got.from, 0x0A4D0032u);
}

TEST(TestNetwork, RunReportsOutputAndStatusOfAProgramInsideANamespace)
{
    TestNetwork net(1);
    TEST_NETWORK_REQUIRE(net);
    std::string output;
    EXPECT_EQ(net.run(net.router(1), {"ip", "-4", "-o", "addr", "show", "dev", "eth0"}, &output),
              0);
    EXPECT_NE(output.find("10.77.0.2/24"), std::string::npos) << output;
    EXPECT_EQ(net.run(net.workstation(), {"sh", "-c", "echo out; echo err >&2; exit 3"}, &output),
              3);
    EXPECT_EQ(output, "out\nerr\n");
    EXPECT_EQ(net.run(net.workstation(), {"/nonexistent/program"}, &output), 127);
}

TEST(TestNetwork, SpawnPassesEnvironmentAndDirectoryAndStopEndsOnlyWhatItStarted)
{
    TestNetwork net(1);
    TEST_NETWORK_REQUIRE(net);
    char dir_template[] = "/tmp/qvnetXXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    std::string dir = dir_template;

    SpawnOptions options;
    options.env = {"QORVEL_PATH=/some/where", "HOME"};
    options.cwd = dir;
    pid_t writer =
        net.spawn(net.workstation(),
                  {"sh", "-c", "echo \"$QORVEL_PATH ${HOME-unset} $(pwd)\" > out.txt"}, options);
    ASSERT_GT(writer, 0);
    EXPECT_EQ(net.wait(writer, 5000), 0);
    std::string text;
    if (FILE* f = std::fopen((dir + "/out.txt").c_str(), "r")) {
        char line[256] = "";
        if (std::fgets(line, sizeof line, f))
            text = line;
        std::fclose(f);
    }
    EXPECT_EQ(text, "/some/where unset " + dir + "\n");

    // A long runner and its own child both end with stop().
    pid_t sleeper =
        net.spawn(net.router(1), {"sh", "-c", "sleep 60 & echo $! > child.txt; wait"}, options);
    ASSERT_GT(sleeper, 0);
    EXPECT_EQ(net.wait(sleeper, 300), -1);  // still running
    EXPECT_EQ(net.stop(sleeper), 128 + SIGTERM);
    long child = 0;
    if (FILE* f = std::fopen((dir + "/child.txt").c_str(), "r")) {
        if (std::fscanf(f, "%ld", &child) != 1)
            child = 0;
        std::fclose(f);
    }
    ASSERT_GT(child, 0);
    EXPECT_FALSE(process_alive(pid_t(child)));
    EXPECT_EQ(net.wait(getpid(), 0), -1);  // never started here: not touched

    std::remove((dir + "/out.txt").c_str());
    std::remove((dir + "/child.txt").c_str());
    rmdir(dir.c_str());
}

TEST(TestNetwork, TeardownRemovesEveryNamespaceAndKillsLeftoverPrograms)
{
    std::vector<std::string> names;
    pid_t leftover = -1;
    {
        TestNetwork net(2);
        TEST_NETWORK_REQUIRE(net);
        names = {net.workstation(), net.router(1), net.router(2)};
        for (const std::string& ns : names)
            EXPECT_TRUE(namespace_exists(ns)) << ns;
        leftover = net.spawn(net.router(2), {"sleep", "60"});
        ASSERT_GT(leftover, 0);
    }
    for (const std::string& ns : names)
        EXPECT_FALSE(namespace_exists(ns)) << ns;
    EXPECT_FALSE(process_alive(leftover));
}

TEST(TestNetwork, TwoNetworksOfOneProcessStayApart)
{
    TestNetwork a(1);
    TestNetwork b(1);
    TEST_NETWORK_REQUIRE(a);
    TEST_NETWORK_REQUIRE(b);
    EXPECT_NE(a.workstation(), b.workstation());
    TestSocket a_router(a, a.router(1));
    TestSocket b_router(b, b.router(1));
    TestSocket a_ws(a, a.workstation());
    ASSERT_TRUE(a_router.ok() && b_router.ok() && a_ws.ok());
    ASSERT_TRUE(a_ws.send_to(TEST_NET_BROADCAST_IP, {1}));
    TestDatagram got;
    EXPECT_TRUE(a_router.receive(&got));
    EXPECT_TRUE(b_router.quiet());
}

// The X sockets in the .X11-unix of the /tmp that `tmp` names.
std::set<std::string> x_sockets(int tmp)
{
    std::set<std::string> found;
    const int fd = openat(tmp, ".X11-unix", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd >= 0 ? fdopendir(fd) : nullptr;
    if (d == nullptr) {
        if (fd >= 0)
            close(fd);
        return found;
    }
    while (dirent* e = readdir(d)) {
        struct stat info;
        if (e->d_name[0] == 'X' && fstatat(dirfd(d), e->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISSOCK(info.st_mode))
            found.insert(e->d_name);
    }
    closedir(d);
    return found;
}

// The /tmp of a test binary's own: what a program of the network writes
// there the test reads as plain /tmp, the machine's /tmp never sees it, and
// the X servers that ran outside are still there. In a child, since the
// move is for the rest of the process.
TEST(PrivateTmp, ProgramsOfTheNetworkShareItAndTheMachineNeverSeesIt)
{
    enum Outcome { kDone, kNoTmp, kNoNetwork, kNotWritten, kNotRead, kSeenOutside, kNoX, kAgain };
    const char* const meaning[] = {"done",
                                   "no private /tmp",
                                   "no network",
                                   "the program could not write",
                                   "the test does not see what the program wrote",
                                   "the machine's /tmp got the file",
                                   "an X server of the machine is out of reach",
                                   "a second call made another /tmp"};
    const std::string probe = "qorvel-private-tmp-" + std::to_string(getpid());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int outside = open("/tmp", O_PATH | O_DIRECTORY | O_CLOEXEC);
        const std::set<std::string> x_before = x_sockets(outside);
        if (!test_private_tmp())
            _exit(kNoTmp);
        // Servers of other processes come and go meanwhile: those that were
        // there before and after were there when the new /tmp was made.
        std::vector<std::string> x_kept;
        for (const std::string& x : x_sockets(outside))
            if (x_before.count(x) != 0)
                x_kept.push_back(x);
        TestNetwork net(1);
        if (!net.ok())
            _exit(kNoNetwork);
        if (net.run(net.workstation(), {"sh", "-c", "echo inside > /tmp/" + probe}) != 0)
            _exit(kNotWritten);
        std::ifstream in("/tmp/" + probe);
        std::stringstream text;
        text << in.rdbuf();
        if (text.str() != "inside\n")
            _exit(kNotRead);
        struct stat info;
        if (fstatat(outside, probe.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            _exit(kSeenOutside);
        for (const std::string& x : x_kept) {
            const std::string lock = "/tmp/." + x + "-lock";
            if (stat(("/tmp/.X11-unix/" + x).c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) ||
                access(lock.c_str(), F_OK) != 0)
                _exit(kNoX);
        }
        if (!test_private_tmp() || access(("/tmp/" + probe).c_str(), F_OK) != 0)
            _exit(kAgain);
        _exit(kDone);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const int outcome = WEXITSTATUS(status);
    if (outcome == kNoTmp || outcome == kNoNetwork)
        GTEST_SKIP() << meaning[outcome];
    ASSERT_LE(outcome, int(kAgain));
    EXPECT_EQ(outcome, kDone) << meaning[outcome];
    std::remove(("/tmp/" + probe).c_str());  // only there when the test failed
}

}  // namespace
