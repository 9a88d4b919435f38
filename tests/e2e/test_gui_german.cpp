// The unmodified graphical program with the German resource file
// data/XmQORVEL.de, on an X server of each test's own: given by hand through
// XENVIRONMENT, the windows carry the file's titles and the program's own
// texts come from the German message table; found by the X toolkit in the
// language directory of its app-defaults path, it is used for a German
// LANG and for no other. The titles are read from the windows on the
// screen, as a user sees them; a screenshot of each is kept under the build
// directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"
#include "x_display.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr const char* GERMAN_FILE = QORVEL_SOURCE_DIR "/data/XmQORVEL.de";
constexpr const char* ARTIFACTS = QORVEL_BUILD_DIR "/test-artifacts";
constexpr int STEP_MS = 8000;       // a window to show, a router to answer
constexpr int SCAN_END_MS = 10000;  // the scan's end marker comes on its fourth tick
constexpr int EXIT_MS = 10000;      // a sanitizer build exits slowly

constexpr const char* MAIN_TITLE = "quarnVANTERO";

// Where things stand on the screen as the resources lay the windows out:
// the main window at +10+35, the line-target table over it, the editor at
// +525+35. The German labels leave every position as it is.
constexpr int LIST_X = 60, LIST_FIRST_LINE_Y = 154;  // the router list
constexpr int REGISTER_X = 73, REGISTER_Y = 444;
constexpr int LINE_TARGETS_X = 429, LINE_TARGETS_Y = 216;
constexpr int TABLE_FIRST_LINE_X = 160, TABLE_FIRST_LINE_Y = 157;
constexpr int BASICS_X = 912, BASICS_Y = 57;  // the editor's view toggle

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GuiGermanE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(GUI_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << GUI_PROGRAM << " is not built";
        ASSERT_EQ(access(GERMAN_FILE, R_OK), 0) << GERMAN_FILE;
        server_ = std::make_unique<XvfbServer>();
        if (!server_->ok())
            GTEST_SKIP() << "no X server for the test: " << server_->error();
        x_ = std::make_unique<XSession>(server_->display());
        ASSERT_TRUE(x_->ok());
        data_.write("qorvel.def",
                    "qorvel_hostname 10.77.0.1\n"
                    "qorvel_netmask 255.255.255.0\n"
                    "qorvel_name_resolving off\n");
    }

    void TearDown() override
    {
        if (HasFailure() && x_ && x_->ok())
            shot("at-failure");
        if (program_ > 0)
            net().stop(program_);
        peer_.reset();
        x_.reset();
        server_.reset();
    }

    TestNetwork& net()
    {
        if (!net_)
            net_ = std::make_unique<TestNetwork>(1);
        return *net_;
    }

    // The program in the workstation namespace, on this test's display,
    // with `env` added to its environment (no resource settings of the
    // user's own leak in).
    void start_program(const std::vector<std::string>& env)
    {
        SpawnOptions options;
        options.env = {"DISPLAY=" + server_->display(),
                       "QORVEL_PATH=" + data_.path(),
                       "HOME=" + data_.path(),
                       "XENVIRONMENT",
                       "XAPPLRESDIR",
                       "XUSERFILESEARCHPATH",
                       "XFILESEARCHPATH",
                       "LANG=C"};
        options.env.insert(options.env.end(), env.begin(), env.end());
        options.cwd = data_.path();
        int fd = open(data_.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        options.stderr_fd = fd;
        program_ = net().spawn(net().workstation(), {GUI_PROGRAM}, options);
        close(fd);
        ASSERT_GT(program_, 0) << net().error();
    }

    // The window manager's close on the main window; the program ends.
    void quit()
    {
        XWindowInfo main;
        ASSERT_TRUE(x_->wait_window(MAIN_TITLE, &main, STEP_MS));
        ASSERT_TRUE(x_->close_window(main.id));
        EXPECT_EQ(net().wait(program_, EXIT_MS), 0);
        program_ = -1;
        EXPECT_EQ(read_file(data_.file("stderr")), "") << "no warning of the toolkit";
    }

    void shot(const std::string& what)
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string path = std::string(ARTIFACTS) + "/" + test->test_suite_name() + "." +
                           test->name() + "-" + what + ".png";
        EXPECT_TRUE(x_->screenshot(path)) << "screenshot " << path;
    }

    TempDir data_{"qorvel-gui-german"};
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XSession> x_;
    std::unique_ptr<TestNetwork> net_;
    std::unique_ptr<PeerProcess> peer_;
    pid_t program_ = -1;
};

class GuiGermanSlowE2E : public GuiGermanE2E {};

// The app-defaults path names the language directory ("%l": the language
// part of LANG); the file lies where an installation puts it.
TEST_F(GuiGermanE2E, LanguageDirectoryOfTheAppDefaultsPathServesAGermanLangOnly)
{
    TEST_NETWORK_REQUIRE(net());
    std::string x11 = data_.path() + "/X11";
    ASSERT_EQ(mkdir(x11.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((x11 + "/de").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((x11 + "/de/app-defaults").c_str(), 0755), 0);
    {
        std::ofstream out(x11 + "/de/app-defaults/XmQORVEL", std::ios::binary);
        out << read_file(GERMAN_FILE);
    }
    const std::string search = "XFILESEARCHPATH=" + x11 + "/%L/%T/%N:" + x11 + "/%l/%T/%N";
    struct Case {
        const char* lang;
        const char* notice;  // the busy notice's title during the start-up scan
    } cases[] = {
        {"LANG=de_DE.UTF-8", "Bitte warten"},
        {"LANG=de_AT", "Bitte warten"},
        {"LANG=C", "Please Wait"},
        {"LANG=en_US.UTF-8", "Please Wait"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        start_program({search, c.lang});
        EXPECT_TRUE(x_->wait_window(c.notice, nullptr, STEP_MS)) << "the scan's notice";
        quit();
    }
}

// By hand, whatever the language: titles from the file, and the German
// message table (the label "Anmelden") where the program titles a window
// itself.
TEST_F(GuiGermanSlowE2E, XenvironmentGivesGermanTitlesAndGermanMessages)
{
    TEST_NETWORK_REQUIRE(net());
    SimRouter r1 = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    SimLine line = sim_line(0, "10.77.5.1", "0301234");
    line.l2 = 1;  // x75 and null, as the built-in definitions have them
    line.blocksize = 1500;
    line.addr_a = 3;
    line.addr_b = 1;
    line.modulo = 8;
    line.window = 7;
    line.l3 = 4;
    line.byte = 8;
    line.timeout = 20;
    r1.lines = {line};
    peer_.reset(new PeerProcess(net(), net().router(1), {r1}));
    ASSERT_TRUE(peer_->start()) << peer_->error();

    start_program({std::string("XENVIRONMENT=") + GERMAN_FILE});
    ASSERT_TRUE(x_->wait_window(MAIN_TITLE, nullptr, STEP_MS));
    ASSERT_TRUE(x_->wait_window("Bitte warten", nullptr, STEP_MS))
        << "the notice's title from the file";
    EXPECT_TRUE(x_->wait_gone("Please Wait", 0));
    ASSERT_TRUE(x_->wait_gone("Bitte warten", SCAN_END_MS)) << "the scan ends";

    // Register the router (the button reads "Anmelden"), open its table.
    x_->click(LIST_X, LIST_FIRST_LINE_Y);
    x_->click(REGISTER_X, REGISTER_Y);
    ASSERT_TRUE(peer_->wait_event("r1", "open accepted", STEP_MS));
    ASSERT_TRUE(x_->wait_gone("Bitte warten", STEP_MS)) << "the tables are read";
    x_->click(LINE_TARGETS_X, LINE_TARGETS_Y);
    ASSERT_TRUE(x_->wait_window("Konfiguration der Gegenstellen", nullptr, STEP_MS))
        << "the table's title from the file";

    // The editor: the program titles it from its message table, German
    // for the advanced view, a text that the resource file does not hold.
    x_->click(TABLE_FIRST_LINE_X, TABLE_FIRST_LINE_Y, 2);
    ASSERT_TRUE(x_->wait_window("Einfache Konfiguration", nullptr, STEP_MS));
    x_->click(BASICS_X, BASICS_Y);
    EXPECT_TRUE(x_->wait_window("Individuelle Konfiguration", nullptr, STEP_MS))
        << "message 6 of the German table";
    EXPECT_TRUE(x_->wait_gone("User Defined Configuration", 0));
    shot("editor");
    EXPECT_EQ(read_file(GERMAN_FILE).find("Individuelle Konfiguration"), std::string::npos)
        << "the title must come from the messages, not from the file";
}

}  // namespace
