// The file selection dialog: what it shows per mode (directory, pattern,
// preset name, title), loading a configuration file into the tables with
// the reader's faults as messages, saving the tables and the accounting
// text, and OK when what it works on is gone.
#include <gtest/gtest.h>

#include <Xm/FileSB.h>
#include <Xm/List.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config_file.h"
#include "dialog_entry_points.h"
#include "dialog_names.h"
#include "display_services.h"
#include "file_dialog.h"
#include "file_messages.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "temp_dir.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

// A configuration file with one line target, two routes and two filter
// rules before the default rule.
const char GOOD_CONFIG[] =
    "# saved by hand\n"
    "Line_Targets:\n"
    "10.1.2.3 0721555 x75 null 20 0 1 0 kelp/mars /\n"
    "Routing_Data:\n"
    "255.255.255.0 10.2.0.0 10.1.0.1\n"
    "0.0.0.0 0.0.0.0 10.1.0.1\n"
    "Filter_Data:\n"
    "255.255.0.0 10.1.0.0 0.0.0.0 0.0.0.0 all 1\n"
    "0.0.0.0 0.0.0.0 255.255.255.255 10.3.3.3 8000/tcp 0\n"
    "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\n";

class FileDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (IsSkipped())
            return;
        dir_ = std::make_unique<TempDir>("qorvel-files");
        setenv("QORVEL_PATH", dir_->path().c_str(), 1);
        myutil_copy_text(test_selected_box().name, "gw1");
        empty_tables();
    }
    void TearDown() override
    {
        if (!IsSkipped()) {
            setenv("QORVEL_PATH", gui_data_dir().c_str(), 1);
            if (chdir(gui_data_dir().c_str()) != 0)
                ADD_FAILURE() << "cannot return to the data directory";
        }
        GuiTest::TearDown();
    }

    // Empty tables as a registration of a router without entries leaves them.
    static void empty_tables()
    {
        main_forget_tables();
        main_line_list = listhelp_new_line_list();
        main_route_list = listhelp_new_route_list();
        main_filter_list = listhelp_new_filter_list();
        main_filter_list->ops->list_append(main_filter_list,
                                           main_filter_list->copy(&filter_accept));
        main_line_list_copy = main_line_list->ops->list_copy(main_line_list);
        main_route_list_copy = main_route_list->ops->list_copy(main_route_list);
        main_filter_list_copy = main_filter_list->ops->list_copy(main_filter_list);
    }

    static WidgetTable* t() { return XmVANTEROWidgets; }
    static Widget child(unsigned char which)
    {
        return XmFileSelectionBoxGetChild(t()->FileDialog, which);
    }

    // OK with `file` in the selection field, as the dialog calls back.
    static void ok(const std::string& file)
    {
        helpfunc_set_field(child(XmDIALOG_TEXT), file.c_str());
        CompoundString value(file.c_str());
        XmFileSelectionBoxCallbackStruct cbs = {};
        cbs.reason = XmCR_OK;
        cbs.value = value;
        cbs.length = static_cast<int>(file.size());
        XtCallCallbacks(t()->FileDialog, XmNokCallback, &cbs);
    }

    static std::string error_text() { return label("*ErrorDialog.ErrorDialogMessage"); }

    static std::string read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Every entry of two lists compares equal, in order.
    static void expect_same(const ListObject* a, const ListObject* b, const char* what)
    {
        SCOPED_TRACE(what);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(a->count, b->count);
        for (ListNode *x = a->head, *y = b->head; x != nullptr; x = x->next, y = y->next)
            EXPECT_EQ(a->compare(x, y), 0);
    }

    std::unique_ptr<TempDir> dir_;
};

TEST_F(FileDialogTest, SaveShowsTheDataDirectoryAndTheRoutersName)
{
    dir_->write("old.cfg", "");
    dir_->write("old.acc", "");
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    ASSERT_TRUE(is_managed("*FileDialog"));
    EXPECT_EQ(text_of(child(XmDIALOG_FILTER_TEXT)), dir_->path() + "/*.cfg");
    EXPECT_EQ(text_of(child(XmDIALOG_TEXT)), dir_->path() + "/gw1.cfg");
    EXPECT_EQ(list_items(child(XmDIALOG_LIST)), std::vector<std::string>{dir_->file("old.cfg")});
    FileCB(t()->FileDialog, action_data(FILE_CANCEL), nullptr);
    EXPECT_FALSE(is_managed("*FileDialog"));

    helpfunc_popup_file_dialog(FILE_SAVE_ACCOUNTING);
    EXPECT_EQ(text_of(child(XmDIALOG_FILTER_TEXT)), dir_->path() + "/*.acc");
    EXPECT_EQ(text_of(child(XmDIALOG_TEXT)), dir_->path() + "/gw1.acc");
    EXPECT_EQ(list_items(child(XmDIALOG_LIST)), std::vector<std::string>{dir_->file("old.acc")});
    FileCB(t()->FileDialog, action_data(FILE_CANCEL), nullptr);

    // Without QORVEL_PATH, or with it empty, the working directory takes
    // its place.
    ASSERT_EQ(chdir(dir_->path().c_str()), 0);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(path == nullptr ? "QORVEL_PATH unset" : "QORVEL_PATH empty");
        if (path == nullptr)
            unsetenv("QORVEL_PATH");
        else
            setenv("QORVEL_PATH", path, 1);
        helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
        EXPECT_TRUE(is_managed("*FileDialog"));
        EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
        EXPECT_EQ(text_of(child(XmDIALOG_TEXT)), std::string(cwd) + "/gw1.cfg");
        EXPECT_EQ(list_items(child(XmDIALOG_LIST)),
                  std::vector<std::string>{std::string(cwd) + "/old.cfg"});
        FileCB(t()->FileDialog, action_data(FILE_CANCEL), nullptr);
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

// The two lists share the width whatever they hold: a directory without a
// file of the extension, or with names much longer or shorter than its
// subdirectories', leaves the Files list as wide as it was.
TEST_F(FileDialogTest, FilesListKeepsItsWidthWhateverTheDirectoryHolds)
{
    const struct {
        const char* what;
        std::vector<std::string> files;
    } directories[] = {
        {"no matching file", {"notes.txt"}},
        {"one short name", {"a.cfg"}},
        {"a long name", {"a-configuration-file-with-a-rather-long-name-indeed.cfg"}},
        {"no file at all", {}},
    };
    for (const auto& d : directories) {
        SCOPED_TRACE(d.what);
        TempDir dir("qorvel-files-width");
        for (const std::string& f : d.files)
            dir.write(f, "");
        setenv("QORVEL_PATH", dir.path().c_str(), 1);
        helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
        ASSERT_TRUE(is_managed("*FileDialog"));
        pump();
        Dimension box = 0, files = 0, directories = 0;
        XtVaGetValues(t()->FileDialog, XmNwidth, &box, nullptr);
        XtVaGetValues(XtParent(child(XmDIALOG_LIST)), XmNwidth, &files, nullptr);
        XtVaGetValues(XtParent(child(XmDIALOG_DIR_LIST)), XmNwidth, &directories, nullptr);
        EXPECT_GE(files * 3, box) << "Files " << files << " of " << box << " pixels";
        EXPECT_GE(directories * 3, box) << "Directories " << directories << " of " << box;
        EXPECT_LE(std::abs(files - directories), 2) << files << " and " << directories;
        FileCB(t()->FileDialog, action_data(FILE_CANCEL), nullptr);
    }
}

TEST_F(FileDialogTest, BuiltWithoutHelpButtonAndWithItsLabels)
{
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    ASSERT_NE(t()->FileDialog, nullptr);
    EXPECT_FALSE(XtIsManaged(child(XmDIALOG_HELP_BUTTON)));
    EXPECT_TRUE(XtIsManaged(child(XmDIALOG_OK_BUTTON)));
    EXPECT_TRUE(XtIsManaged(child(XmDIALOG_APPLY_BUTTON)));
    EXPECT_EQ(helpfunc_label_text(child(XmDIALOG_CANCEL_BUTTON)), "Cancel");
    EXPECT_EQ(helpfunc_label_text(child(XmDIALOG_DIR_LIST_LABEL)), "Directories");
    EXPECT_EQ(helpfunc_label_text(child(XmDIALOG_LIST_LABEL)), "Files");
    EXPECT_EQ(helpfunc_label_text(child(XmDIALOG_SELECTION_LABEL)), "Selection");
    Pixel background = 0;
    XtVaGetValues(child(XmDIALOG_TEXT), XmNbackground, &background, nullptr);
    EXPECT_EQ(background, ColorNameToPixel(t()->FileDialog, "mistyrose3"));
    Dimension width = 0;
    XtVaGetValues(t()->FileDialog, XmNwidth, &width, nullptr);
    EXPECT_GE(width, 400);
    unsigned char must_match = True;
    XtVaGetValues(t()->FileDialog, XmNmustMatch, &must_match, nullptr);
    EXPECT_FALSE(must_match);
}

TEST_F(FileDialogTest, TitleIsTheWordOfTheActionThatOpensIt)
{
    helpfunc_create_layout(Dialog::ConfigDialog);
    Widget load = find("*ConfigDialog*ConfigLoad");
    Widget save = find("*ConfigDialog*ConfigSave");
    if (load == nullptr || save == nullptr)
        GTEST_SKIP() << "the line-target table has no File menu in this build";
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    pump();
    EXPECT_EQ(title("*FileDialog"), helpfunc_label_text(load));
    FileCB(t()->FileDialog, action_data(FILE_CANCEL), nullptr);
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    pump();
    EXPECT_EQ(title("*FileDialog"), helpfunc_label_text(save));
}

TEST_F(FileDialogTest, LoadOfAMissingFileKeepsTheDialogUp)
{
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    EXPECT_EQ(text_of(child(XmDIALOG_TEXT)).find("gw1"), std::string::npos)
        << "loading presets no name";
    ok(dir_->file("none.cfg"));
    EXPECT_TRUE(is_managed("*FileDialog"));
    EXPECT_EQ(error_text(), "Cannot Read File");
    int x = 0, y = 0;
    pump();
    shell_position(t()->ErrorDialog, &x, &y);
    EXPECT_EQ(x, POSITION_LEFT_X);
    EXPECT_EQ(main_route_list->count, 0);

    // A directory is no file to load either.
    helpfunc_popdown(Dialog::ErrorDialog);
    ok(dir_->path());
    EXPECT_TRUE(is_managed("*FileDialog"));
    EXPECT_EQ(error_text(), "Cannot Read File");
}

TEST_F(FileDialogTest, FaultyFileShowsTheReasonWithLineAndColumn)
{
    struct Case {
        const char* name;
        std::string text;
        int line_type;
        const char* message;
    };
    const Case cases[] = {
        {"bad layer-2 protocol", "Line_Targets:\n\n10.1.2.3 0721 x76 null 20 0 1 0\n", 0,
         "Wrong Protocol\nError At Line 3, Column 15"},
        {"route match outside its mask",
         "Line_Targets:\nRouting_Data:\n255.255.255.0 10.1.2.3 10.1.0.1\nFilter_Data:\n", 0,
         "Combination Mask/Match\nError At Line 3, Column 1"},
        {"filter port beyond 16 bits",
         "Line_Targets:\nRouting_Data:\nFilter_Data:\n0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 70000/tcp 1\n",
         0, "Wrong Service\nError At Line 4, Column 33"},
        {"two line targets on a permanent connection",
         "Line_Targets:\n10.1.2.3 1 x75 null 20 0 1 0\n10.1.2.4 0 x75 null 20 0 1 0\n"
         "Routing_Data:\nFilter_Data:\n",
         1, "Too Many Entries\nError At Line 3, Column 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir_->write("bad.cfg", c.text);
        test_selected_box().cfg.line_type = static_cast<uint8_t>(c.line_type);
        ListObject* routes = main_route_list;
        helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
        ok(dir_->file("bad.cfg"));
        EXPECT_FALSE(is_managed("*FileDialog"));
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), c.message);
        EXPECT_EQ(main_route_list, routes) << "the tables stay";
        EXPECT_EQ(main_line_list->count, 0);
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

TEST_F(FileDialogTest, SaveThenLoadGivesTheSameTables)
{
    dir_->write("start.cfg", GOOD_CONFIG);
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    ok(dir_->file("start.cfg"));
    ASSERT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_TRUE(is_managed("*ConfigDialog"));
    if (t()->OpenLine != nullptr) {
        EXPECT_FALSE(XtIsSensitive(t()->OpenLine));
        EXPECT_FALSE(XtIsSensitive(t()->DeleteLine));
    }
    ASSERT_EQ(main_line_list->count, 1);
    ASSERT_EQ(main_route_list->count, 2);
    ASSERT_EQ(main_filter_list->count, 3);
    EXPECT_EQ(main_route_list_copy->count, 0) << "the router's copies stay";
    EXPECT_EQ(main_filter_list_copy->count, 1);

    // The tables as loaded, to compare with.
    ListObject* lines = main_line_list->ops->list_copy(main_line_list);
    ListObject* routes = main_route_list->ops->list_copy(main_route_list);
    ListObject* filters = main_filter_list->ops->list_copy(main_filter_list);

    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    ok(dir_->file("gw1.cfg"));
    ASSERT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_NE(read(dir_->file("gw1.cfg")).find("Routing_Data:"), std::string::npos);

    empty_tables();
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    ok(dir_->file("gw1.cfg"));
    ASSERT_FALSE(is_managed("*ErrorDialog")) << error_text();
    expect_same(lines, main_line_list, "line targets");
    expect_same(routes, main_route_list, "routes");
    expect_same(filters, main_filter_list, "filters");
    lines->ops->list_destroy(lines);
    routes->ops->list_destroy(routes);
    filters->ops->list_destroy(filters);
}

TEST_F(FileDialogTest, SaveThatCannotWriteSaysSo)
{
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    ok(dir_->file("no-such-directory/gw1.cfg"));
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_EQ(error_text(), "Cannot Write File");
}

// A FIFO selected for saving, which nobody reads: the program says at once
// that it cannot write there, never waits for a reader, and goes on working
// (the next save to a file succeeds). The alarm ends a run that hangs.
TEST_F(FileDialogTest, SaveToAFifoSaysSoAtOnce)
{
    helpfunc_create_layout(Dialog::AccountingDialog);
    const struct {
        int mode;
        const char* fifo;
        const char* file;
    } cases[] = {
        {FILE_SAVE_CONFIG, "pipe.cfg", "gw1.cfg"},
        {FILE_SAVE_ACCOUNTING, "pipe.acc", "gw1.acc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fifo);
        if (c.mode == FILE_SAVE_ACCOUNTING && t()->AccountingText == nullptr)
            continue;
        ASSERT_EQ(mkfifo(dir_->file(c.fifo).c_str(), 0600), 0);
        helpfunc_popup_file_dialog(c.mode);
        alarm(10);
        const auto begun = std::chrono::steady_clock::now();
        ok(dir_->file(c.fifo));
        const auto took = std::chrono::steady_clock::now() - begun;
        alarm(0);
        EXPECT_LT(took, std::chrono::seconds(2));
        EXPECT_FALSE(is_managed("*FileDialog"));
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), "Cannot Write File");
        struct stat st;
        ASSERT_EQ(lstat(dir_->file(c.fifo).c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";
        helpfunc_popdown(Dialog::ErrorDialog);

        helpfunc_popup_file_dialog(c.mode);
        ok(dir_->file(c.file));
        EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
        EXPECT_TRUE(dir_->exists(c.file));
    }
}

TEST_F(FileDialogTest, LongDirectoryNamesWork)
{
    // A data directory whose name is longer than 600 characters.
    std::string deep = dir_->path();
    while (deep.size() < 620) {
        deep += "/" + std::string(60, 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0) << deep;
    }
    setenv("QORVEL_PATH", deep.c_str(), 1);
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    EXPECT_EQ(text_of(child(XmDIALOG_FILTER_TEXT)), deep + "/*.cfg");
    EXPECT_EQ(text_of(child(XmDIALOG_TEXT)), deep + "/gw1.cfg");
    ok(deep + "/gw1.cfg");
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_TRUE(myutil_file_exist((deep + "/gw1.cfg").c_str()));
}

TEST_F(FileDialogTest, WorkingDirectoryThatIsGoneIsReported)
{
    unsetenv("QORVEL_PATH");
    const std::string gone = dir_->file("gone");
    ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_EQ(error_text(), "Cannot Read File");
}

TEST_F(FileDialogTest, AccountingSaveWritesTheTextShown)
{
    helpfunc_create_layout(Dialog::AccountingDialog);
    if (t()->AccountingText == nullptr)
        GTEST_SKIP() << "the accounting window has no text in this build";
    const char text[] = "Host Name  : 10.1.2.3\nPhone No.  : 0721\n\n";
    XmTextSetString(t()->AccountingText, const_cast<char*>(text));
    helpfunc_popup_file_dialog(FILE_SAVE_ACCOUNTING);
    ok(dir_->file("gw1.acc"));
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_EQ(read(dir_->file("gw1.acc")), text);
}

// A failure of the router drops the tables while the dialog is up: its OK
// then neither loads into nor saves from tables that are gone.
TEST_F(FileDialogTest, OkAfterTheTablesWereDroppedDoesNothing)
{
    dir_->write("start.cfg", GOOD_CONFIG);
    helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
    main_forget_tables();
    ok(dir_->file("start.cfg"));
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_EQ(main_route_list, nullptr);
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_FALSE(is_managed("*ConfigDialog"));

    empty_tables();
    helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
    main_forget_tables();
    ok(dir_->file("gw1.cfg"));
    EXPECT_FALSE(dir_->exists("gw1.cfg"));
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog"));
}

}  // namespace
