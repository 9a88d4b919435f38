// Start-up: the main window as main() leaves it, the fallback resources, the
// language rule, the back end that cannot start, and the first scan.
#include <gtest/gtest.h>

#include <Xm/Xm.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "display_services.h"
#include "fallback_resources.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "message_tables.h"
#include "router_entry.h"
#include "startup.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

class StartupTest : public GuiTest {};

TEST_F(StartupTest, MainWindowAsStartUpLeavesIt)
{
    const struct {
        const char* widget;
        const char* label;
        bool sensitive;
    } buttons[] = {
        {"*MainForm.Open", "Register", false},
        {"*MainForm.ConfigureRouter", "Router", false},
        {"*MainForm.ConfigureLines", "Line Targets", false},
        {"*MainForm.LineMonitor", "Connections", false},
        {"*MainForm.Accounting", "Accounting", false},
        {"*MainForm.Overview", "Router Overview", true},
        {"*MainForm.Close", "Deregister", false},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(label(b.widget), b.label) << b.widget;
        EXPECT_EQ(is_sensitive(b.widget), b.sensitive) << b.widget;
    }
    EXPECT_EQ(label("*MainForm.HeadLine"), "quarnVANTERO");
    EXPECT_EQ(label("*MainForm.MainLabel"), "Router Selection");
    EXPECT_EQ(label("*MainMenuBar.File"), "File");
    EXPECT_EQ(label("*FileMenu.Exit"), "Quit");
    EXPECT_EQ(label("*HelpMenu.HelpHelp"), "Help");
    EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));
    EXPECT_EQ(messages, e_messages);

    int min_width = 0, min_height = 0;  // the shell keeps its minimum size as int
    XtVaGetValues(XmVANTERO, XmNminWidth, &min_width, XmNminHeight, &min_height, nullptr);
    EXPECT_EQ(title(""), "quarnVANTERO");
    EXPECT_EQ(min_width, 500);
    EXPECT_EQ(min_height, 450);

    // The busy notice is built with the main window; the other dialogs wait
    // for their first use.
    ASSERT_NE(XmVANTEROWidgets->ScanDialog, nullptr);
    EXPECT_EQ(title("*ScanDialog"), "Please Wait");
    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Scanning Network - Please Wait");
    if (first_test_of_process()) {
        EXPECT_EQ(XmVANTEROWidgets->ConfigDialog, nullptr);
        EXPECT_EQ(XmVANTEROWidgets->ErrorDialog, nullptr);
    }

    // The table slots of the main window are the widgets of those names.
    EXPECT_EQ(XmVANTEROWidgets->Open, find("*MainForm.Open"));
    EXPECT_EQ(XmVANTEROWidgets->SelectionList, find("*MainForm*SelectionList"));
}

TEST_F(StartupTest, FallbackSetHasTheApplicationLinesFirstAndEveryPosition)
{
    String* set = fallback_resources();
    EXPECT_STREQ(set[0], "XmQORVEL*geometry:                    +10+35");
    EXPECT_STREQ(set[13], "XmQORVEL*HeadLine.labelString: quarnVANTERO");
    int count = 0;
    const DialogPosition* positions = fallback_positions(&count);
    ASSERT_EQ(count, 15);
    int lines = 0;
    for (String* p = set; *p != nullptr; ++p, ++lines) {
        EXPECT_EQ(std::strncmp(*p, "XmQORVEL*", 9), 0) << *p;
        EXPECT_NE(std::strchr(*p, ':'), nullptr) << *p;
    }
    EXPECT_GT(lines, 14 + 2 * count);
    EXPECT_STREQ(set[14], "XmQORVEL*ConfigDialog.x: 10");
    EXPECT_STREQ(set[15], "XmQORVEL*ConfigDialog.y: 35");
    EXPECT_STREQ(positions[10].dialog, "LineMon2Dialog");
    EXPECT_EQ(positions[10].y, 480);
}

TEST_F(StartupTest, RegisterLabelledAnmeldenSwitchesEveryMessageToGerman)
{
    std::string english = label("*MainForm.Open");
    helpfunc_set_label(XmVANTEROWidgets->Open, "Anmelden");
    startup_choose_language();
    EXPECT_EQ(messages, g_messages);
    helpfunc_error_popup("x", 0, 1);
    EXPECT_EQ(title("*ErrorDialog"), "Fehler");
    helpfunc_error_popup("x", 0, 2);
    EXPECT_EQ(title("*ErrorDialog"), "Nachricht");

    helpfunc_set_label(XmVANTEROWidgets->Open, "Anmelden ");
    startup_choose_language();
    EXPECT_EQ(messages, e_messages);
    helpfunc_set_label(XmVANTEROWidgets->Open, english.c_str());
}

TEST_F(StartupTest, FaultyProtocolFileShowsLineAndColumnAndNoButtonWorks)
{
    const struct {
        std::string file;
        const char* text;
    } cases[] = {
        {"# 1\n# 2\n# 3\n# 4\n# 5\n# 6\n2:abc      base=x25\n",
         "Reading qorvel.pro\nError At Line 7, Column 12"},
        {"# 1\n# 2\n# 3\n# 4\n# 5\n# 6\n2:abc base=x75 windowsize=8\n",
         "Reading qorvel.pro\nInconsitent Line (Line = 7)"},
        // NUL bytes (a file of them read as endless empty lines).
        {"# 1\n# 2\n" + std::string(100000, '\0'), "Reading qorvel.pro\nError At Line 3, Column 1"},
    };
    for (const auto& c : cases) {
        std::string path = gui_data_dir() + "/qorvel.pro";
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fwrite(c.file.data(), 1, c.file.size(), f);
        std::fclose(f);
        EXPECT_EQ(startup_back_end(0x0A4D00FF), 0);
        std::remove(path.c_str());

        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), c.text);
        EXPECT_EQ(title("*ErrorDialog"), "Error");
        for (const char* b : {"*MainForm.Open", "*MainForm.ConfigureRouter",
                              "*MainForm.ConfigureLines", "*MainForm.LineMonitor",
                              "*MainForm.Accounting", "*MainForm.Overview", "*MainForm.Close"})
            EXPECT_FALSE(is_sensitive(b)) << b;
        ASSERT_TRUE(pump_until([] {
            int x, y;
            shell_position(XmVANTEROWidgets->ErrorDialog, &x, &y);
            return x == 100 && y == 205;
        })) << "error box at the left position";
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

TEST_F(StartupTest, PortTakenShowsPortAlreadyInUse)
{
    // A back end that this process started already holds the port.
    if (back_end_started())
        GTEST_SKIP() << "the back end of this process is running; run this test alone";
    TestNetwork* net = gui_network();
    TEST_NETWORK_REQUIRE(*net);
    int fd = -1;
    {
        auto inside = net->enter(net->workstation());
        ASSERT_TRUE(inside.ok());
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(1532);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(startup_back_end(0x0A4D00FF), 0);
    }
    close(fd);
    EXPECT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), "Port Already In Use");
    EXPECT_FALSE(is_sensitive("*MainForm.Overview"));
    EXPECT_FALSE(is_sensitive("*MainForm.Open"));
}

TEST_F(StartupTest, FirstScanListsEveryRouterOnceAndEndsTheNotice)
{
    ASSERT_TRUE(start_back_end());
    SimRouter free_router = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    SimRouter held = sim_router("r2", "10.77.0.3", "00:a0:f9:00:00:02");
    held.holder = "10.77.0.9";
    SimRouter blank = sim_router("r3", "10.77.0.4", "00:a0:f9:00:00:03");
    blank.configured = false;
    ASSERT_NE(start_peer(1, {free_router}), nullptr);
    ASSERT_NE(start_peer(2, {held, blank}), nullptr);

    startup_first_scan();
    EXPECT_TRUE(is_managed("*ScanDialog"));
    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Scanning Network - Please Wait");
    Widget list = XmVANTEROWidgets->SelectionList;
    ASSERT_TRUE(pump_until([&] { return !is_managed("*ScanDialog"); }, GUI_SCAN_WAIT_MS))
        << "the end marker closes the notice";

    std::vector<std::string> lines = list_items(list);
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> expected = {
        " 00-a0-f9-00-00-01      10.77.0.2 ",
        " 00-a0-f9-00-00-03      --------- ",
        "(00-a0-f9-00-00-02      10.77.0.3)",
    };
    EXPECT_EQ(lines, expected) << "each router once, however often it answered";

    // Entries and lines stay in step.
    ASSERT_EQ(main_router_list->count, 3);
    std::vector<std::string> shown = list_items(list);
    int position = 1;
    for (ListNode* n = main_router_list->head; n != nullptr; n = n->next, ++position) {
        auto* e = static_cast<RouterEntry*>(n->element);
        EXPECT_NE(shown[position - 1].find(e->hw_text), std::string::npos) << position;
        EXPECT_NE(shown[position - 1].find(e->name), std::string::npos) << position;
        bool is_held = std::string(e->name) == "10.77.0.3";
        EXPECT_EQ(e->held, is_held ? 1u : 0u) << e->name;
        EXPECT_STREQ(e->holder, is_held ? "10.77.0.9" : "0.0.0.0") << e->name;
    }
}

}  // namespace
