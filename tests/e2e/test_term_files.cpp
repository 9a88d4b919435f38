// The files the terminal program writes, end to end: a FIFO named with -f is
// refused at once, a full file system leaves the old configuration file as
// it was, and where "qorvel.add" or "/tmp/save.cfg" cannot be used the
// notice names the file each went to. Tests that make the program write to
// /tmp give it (and themselves) a /tmp of their own in a mount namespace.
#include "test_term_fixture.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace {

class TermFiles : public TermE2E {
protected:
    void TearDown() override
    {
        TermE2E::TearDown();
        for (const std::string& where : mounted_)
            umount2(where.c_str(), MNT_DETACH);
        if (!mounted_.empty())
            (void)!system(("rm -rf '" + dir_ + "'").c_str());
    }

    // Mounts a tmpfs at `where` in a mount namespace of this test's own
    // process, which the program started later shares; false without the
    // privilege.
    bool private_tmpfs(const std::string& where, const char* options)
    {
        if (!private_mounts_) {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return false;
            private_mounts_ = true;
        }
        if (mount("none", where.c_str(), "tmpfs", 0, options) != 0)
            return false;
        mounted_.push_back(where);
        return true;
    }

    // Gives this test and the program a /tmp of their own, with the data
    // directory under the same name in it; the machine's one is removed
    // once that /tmp is gone again (TearDown).
    bool own_tmp()
    {
        const std::string defaults = term_read_file(path("qorvel.def"));
        if (!private_tmpfs("/tmp", "mode=1777") || mkdir(dir_.c_str(), 0700) != 0)
            return false;
        term_write_file(path("qorvel.def"), defaults);
        return true;
    }

    // A router with one line target of a known protocol and one whose
    // layer-2 parameters no definition matches: `l2` 1 (x75: a definition
    // can be made of it) or 255 (ppp: none can).
    SimRouter router_with_unknown(uint32_t l2)
    {
        SimRouter r = router(1);
        SimLine odd = term_x75_line(1, "10.1.0.2", "0721002");
        odd.l2 = l2;
        odd.blocksize = 1000;
        r.lines = {term_x75_line(0, "10.1.0.1", "0721001"), odd};
        return r;
    }

    bool private_mounts_ = false;
    std::vector<std::string> mounted_;
};

// A FIFO that nobody reads, named with -f: the program says at once that it
// cannot write the file, ends with status 1, and leaves the FIFO as it was.
TEST_F(TermFiles, FifoNamedWithFIsRefusedAtOnce)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    ASSERT_NE(start_peer(1, {r}), nullptr);
    const std::string fifo = path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"rov", "-f", fifo},
         "Output directed to " + fifo + "\nError: can not write file " + fifo + "\n"},
        {{"accounting", "-ip", "10.77.0.2", "-f", fifo},
         "Output directed to " + fifo + "\nError: can not write file " + fifo + "\n"},
        {{"saveconfig", "-f", fifo, "-ip", "10.77.0.2"},
         "Error: can not write file " + fifo + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const auto begun = std::chrono::steady_clock::now();
        PtySession& s = run(c.args);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << s.err();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(2));
        EXPECT_EQ(s.err(), c.err);
        struct stat st;
        ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";
    }
}

// saveconfig over an existing file on a file system too full for the new
// one: it says so and ends with 1, and the old file is whole.
TEST_F(TermFiles, SaveconfigOnAFullFileSystemLeavesTheOldFile)
{
    TERM_NETWORK_REQUIRE();
    const std::string full = path("full");
    ASSERT_EQ(mkdir(full.c_str(), 0700), 0);
    if (!private_tmpfs(full, "size=8k"))
        GTEST_SKIP() << "needs the privilege to mount";
    const std::string old_text = "# the user's configuration\n" + std::string(3000, '#') + "\n";
    term_write_file(full + "/existing.cfg", old_text);
    ASSERT_EQ(term_read_file(full + "/existing.cfg"), old_text) << "the tmpfs took no file";

    SimRouter r = router(1);
    for (int i = 0; i < 30; ++i)
        r.lines.push_back(term_x75_line(i, "10.1.0." + std::to_string(i + 1), "0721"));
    for (int i = 0; i < 64; ++i)
        r.routes.push_back(
            sim_route(i, "255.255.255.0", "10.2." + std::to_string(i) + ".0", "10.1.0.1"));
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"saveconfig", "-f", full + "/existing.cfg", "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Error: can not write file " + full + "/existing.cfg\n");
    EXPECT_EQ(term_read_file(full + "/existing.cfg"), old_text);
    std::unique_ptr<FILE, int (*)(FILE*)> ls(popen(("ls -A '" + full + "'").c_str(), "r"), pclose);
    char name[256] = "";
    std::string names;
    while (ls && std::fgets(name, sizeof name, ls.get()) != nullptr)
        names += name;
    EXPECT_EQ(names, "existing.cfg\n") << "a temporary file was left";
}

// A new configuration file holds the PPP passwords: its owner's only.
TEST_F(TermFiles, NewConfigurationFileIsTheOwnersOnly)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    ASSERT_NE(start_peer(1, {r}), nullptr);
    const mode_t old_mask = umask(022);
    PtySession& s = run({"saveconfig", "-f", path("new.cfg"), "-ip", "10.77.0.2"});
    umask(old_mask);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    struct stat st;
    ASSERT_EQ(stat(path("new.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Where another user has planted FIFOs at "qorvel.add" and "/tmp/save.cfg",
// both files are written to names of their own, and the notice names them.
TEST_F(TermFiles, UnknownProtocolsNoticeNamesTheFilesWritten)
{
    TERM_NETWORK_REQUIRE();
    if (!own_tmp())
        GTEST_SKIP() << "needs the privilege to mount";
    for (const std::string& name : {path("qorvel.add"), std::string("/tmp/save.cfg")}) {
        ASSERT_EQ(mkfifo(name.c_str(), 0666), 0);
        ASSERT_EQ(chown(name.c_str(), 65534, 65534), 0);
    }
    ASSERT_NE(start_peer(1, {router_with_unknown(1)}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    // The notice with the two names in it, each the usual one and six
    // letters and digits after a dot.
    const std::string err = s.err();
    const std::string add = path("qorvel.add.");
    const std::string save = "/tmp/save.cfg.";
    const std::string head =
        "Router contains unknown protocols, the\n"
        "definitions of which have been saved in\n" +
        add;
    const std::string middle = ", matching have been saved in\n" + save;
    ASSERT_EQ(err.size(), head.size() + 6 + middle.size() + 6 + 2) << err;
    EXPECT_EQ(err.substr(0, head.size()), head);
    EXPECT_EQ(err.substr(head.size() + 6, middle.size()), middle);
    EXPECT_EQ(err.substr(err.size() - 2), ".\n");
    const std::string add_name = add + err.substr(head.size(), 6);
    const std::string save_name = save + err.substr(head.size() + 6 + middle.size(), 6);
    EXPECT_NE(term_read_file(add_name).find("blocksize=1000"), std::string::npos) << add_name;
    EXPECT_NE(term_read_file(save_name).find("\n10.1.0.1 "), std::string::npos) << save_name;
}

// No definition can be made of a ppp line target: the notice does not
// claim "qorvel.add", and none is written.
TEST_F(TermFiles, UnknownProtocolsWithoutDefinitionsClaimNoFile)
{
    TERM_NETWORK_REQUIRE();
    if (!own_tmp())
        GTEST_SKIP() << "needs the privilege to mount";
    ASSERT_NE(start_peer(1, {router_with_unknown(255)}), nullptr);
    const struct {
        bool german;
        const char* notice;
    } cases[] = {
        {false,
         "Router contains unknown protocols, for which\n"
         "no definitions have been saved; matching have been saved in\n"
         "/tmp/save.cfg.\n"},
        {true,
         "Der Router enthaelt undefinierte Protokolle, fuer die\n"
         "keine Definition gesichert wurde. Die\n"
         "gueltigen Verbindungen wurden nach /tmp/save.cfg\n"
         "gespeichert.\n"},
    };
    for (const auto& c : cases) {
        PtySession& s = run({"accounting", "-ip", "10.77.0.2"}, c.german);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
        EXPECT_EQ(s.err(), c.notice);
        EXPECT_NE(access(path("qorvel.add").c_str(), F_OK), 0);
        EXPECT_NE(term_read_file("/tmp/save.cfg").find("\n10.1.0.1 "), std::string::npos);
    }
}

}  // namespace
