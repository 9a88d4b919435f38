// Files written for the user: refused at once where the name is no regular
// file, written beside the name and put in place only once complete, with
// the mode of a new file as asked and of a replaced one kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "accounting_file.h"
#include "config_file.h"
#include "list.h"
#include "myutil.h"
#include "record_defaults.h"
#include "safe_file.h"
#include "temp_dir.h"

namespace {

class UserFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }

    void shell(const std::string& commands) const
    {
        ASSERT_EQ(std::system(("cd '" + dir_.path() + "' && " + commands).c_str()), 0) << commands;
    }
    // Every name in the directory, one a line, sorted.
    std::string listing() const
    {
        std::string out;
        FILE* ls = popen(("ls -A '" + dir_.path() + "'").c_str(), "r");
        char buffer[256];
        while (ls != nullptr && std::fgets(buffer, sizeof buffer, ls) != nullptr)
            out += buffer;
        if (ls != nullptr)
            pclose(ls);
        return out;
    }
    static mode_t mode_of(const std::string& path)
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    TempDir dir_{"qorvel-safe-file"};
};

bool write_text(const char* path, NewFileMode mode, const char* text)
{
    UserFile file;
    if (!file.open(path, mode))
        return false;
    std::fputs(text, file.stream());
    return file.commit();
}

// What stands at the name decides: a new name or a regular file is written;
// anything else is refused at once, never opened, and stays as it was.
TEST_F(UserFileTest, OnlyANewNameOrARegularFileIsWritten)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the directory; "out" is the name written
        bool written;
        const char* intact;  // a command that holds while what stood there is unchanged
    };
    const Case cases[] = {
        {"new name", "true", true, "true"},
        {"regular file", "echo old > out", true, "true"},
        {"FIFO", "mkfifo out", false, "test -p out"},
        {"directory", "mkdir out", false, "test -d out"},
        {"socket", "python3 -c \"import socket; socket.socket(socket.AF_UNIX).bind('out')\"", false,
         "test -S out"},
        {"this user's link to a file", "echo old > real && ln -s real out", true,
         "test -L out && grep -qx new real"},
        {"this user's link to a FIFO", "mkfifo real && ln -s real out", false,
         "test -L out && test -p real"},
        {"another user's link", "echo old > real && ln -s real out && chown -h 65534 out", false,
         "grep -qx old real"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shell("rm -rf ./* && " + std::string(c.setup));
        if (std::string(c.name).find("another user's") != std::string::npos && geteuid() != 0)
            continue;
        EXPECT_EQ(write_text(dir_.file("out").c_str(), NewFileMode::Umask, "new\n"), c.written);
        shell(c.intact);
        if (c.written && !dir_.exists("real")) {
            EXPECT_EQ(dir_.read("out"), "new\n");
        }
        EXPECT_EQ(listing().find("out."), std::string::npos) << "a temporary file was left";
    }
    EXPECT_FALSE(write_text("/dev/null", NewFileMode::Umask, "new\n")) << "a device";
}

// A new configuration file holds PPP passwords and is its owner's only; an
// accounting text is created as any file; a replaced file keeps its mode.
TEST_F(UserFileTest, NewFilesGetTheirModeAndReplacedOnesKeepTheirs)
{
    list_init();
    myutil_fill_default_structs();
    RouterSettings settings{};
    const mode_t old_mask = umask(022);
    EXPECT_EQ(file_save_config(dir_.file("new.cfg").c_str(), list_object_instance,
                               list_object_instance, list_object_instance, &settings),
              1);
    EXPECT_EQ(mode_of(dir_.file("new.cfg")), 0600u);
    EXPECT_EQ(file_save_accounting(dir_.file("new.acc").c_str(), "Units: 12\n"), 1);
    EXPECT_EQ(mode_of(dir_.file("new.acc")), 0644u);

    shell("echo old > old.cfg && chmod 0640 old.cfg && echo old > old.acc && chmod 0604 old.acc");
    EXPECT_EQ(file_save_config(dir_.file("old.cfg").c_str(), list_object_instance,
                               list_object_instance, list_object_instance, &settings),
              1);
    EXPECT_EQ(mode_of(dir_.file("old.cfg")), 0640u);
    EXPECT_EQ(file_save_accounting(dir_.file("old.acc").c_str(), "Units: 12\n"), 1);
    EXPECT_EQ(mode_of(dir_.file("old.acc")), 0604u);
    EXPECT_EQ(dir_.read("old.acc"), "Units: 12\n");
    umask(old_mask);
}

// A full disk, met through the file-size limit in a child process: a file
// that does not fit is never put at the name, and the old one stays whole.
TEST_F(UserFileTest, AFileThatDoesNotFitLeavesTheOldOneAsItWas)
{
    const std::string old_text(3000, 'o');
    dir_.write("saved.cfg", old_text);
    dir_.write("saved.acc", old_text);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
        struct rlimit limit = {4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(10);
        list_init();
        myutil_fill_default_structs();
        ListObject* routes = listhelp_new_route_list();
        for (int i = 0; i < 64; ++i) {
            RouteEntry* r = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
            myutil_copy_text(r->mask, "255.255.255.0");
            myutil_copy_text(r->match, "10.1.2.0");
            myutil_copy_text(r->gateway, "10.1.1.1");
            routes->ops->list_append(routes, r);
        }
        RouterSettings settings{};
        if (file_save_config(dir_.file("saved.cfg").c_str(), list_object_instance, routes,
                             list_object_instance, &settings) != 0)
            _exit(11);
        const std::string long_text(8192, 'n');
        if (file_save_accounting(dir_.file("saved.acc").c_str(), long_text.c_str()) != 0)
            _exit(12);
        // What fits is written as before.
        if (file_save_accounting(dir_.file("saved.acc").c_str(), "Units: 12\n") != 1)
            _exit(13);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed at step " << WEXITSTATUS(status);
    EXPECT_EQ(dir_.read("saved.cfg"), old_text);
    EXPECT_EQ(dir_.read("saved.acc"), "Units: 12\n");
    EXPECT_EQ(listing(), "saved.acc\nsaved.cfg\n") << "a temporary file was left";
}

}  // namespace
