// The dialog table: every window named and found by its name, a row for
// each that is its own, nothing answered for a value outside it, and the
// help relations pointing at windows that exist.
#include "dialog_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "help_file.h"

namespace {

TEST(DialogTable, EveryWindowHasItsOwnRowAndName)
{
    std::set<std::string> names;
    for (int n = 0; n < WINDOW_COUNT; ++n) {
        const Dialog dialog = static_cast<Dialog>(n);
        const DialogRow* row = dialog_row(dialog);
        ASSERT_NE(row, nullptr) << n;
        EXPECT_EQ(row->dialog, dialog) << n;
        EXPECT_STREQ(row->name, dialog_name(dialog)) << n;
        EXPECT_TRUE(names.insert(row->name).second) << row->name << " named twice";
        Dialog found = Dialog::MainWindow;
        ASSERT_TRUE(dialog_by_name(row->name, &found)) << row->name;
        EXPECT_EQ(found, dialog);
    }
    EXPECT_STREQ(dialog_name(Dialog::MainWindow), "MainForm");
}

TEST(DialogTable, TableOrderIsEveryDialogOnce)
{
    const Dialog* order = dialogs_in_table_order();
    std::set<int> seen;
    for (int i = 0; i < DIALOG_COUNT; ++i) {
        EXPECT_NE(order[i], Dialog::MainWindow);
        EXPECT_TRUE(seen.insert(static_cast<int>(order[i])).second) << dialog_name(order[i]);
    }
    EXPECT_EQ(static_cast<int>(seen.size()), DIALOG_COUNT);
}

TEST(DialogTable, ValuesOutsideTheTableGetNothing)
{
    for (int n : {-2, -1, WINDOW_COUNT, WINDOW_COUNT + 1, 1000}) {
        const Dialog dialog = static_cast<Dialog>(n);
        EXPECT_EQ(dialog_row(dialog), nullptr) << n;
        EXPECT_STREQ(dialog_name(dialog), "") << n;
    }
    Dialog found = Dialog::ScanDialog;
    for (const char* name : {"", "MainWindow", "scandialog", "ScanDialog ", "NoDialog"})
        EXPECT_FALSE(dialog_by_name(name, &found)) << name;
    EXPECT_FALSE(dialog_by_name(nullptr, &found));
    EXPECT_EQ(found, Dialog::ScanDialog);
}

TEST(DialogTable, ParentsAndHelpParentsAreWindowsOfTheTable)
{
    for (int n = 1; n < WINDOW_COUNT; ++n) {
        const DialogRow& row = *dialog_row(static_cast<Dialog>(n));
        EXPECT_NE(dialog_row(row.parent), nullptr) << row.name;
        EXPECT_NE(row.parent, row.dialog) << row.name;
        if (row.help_on_popdown) {
            // The help window turns back to the section beneath: the dialog's
            // own parent.
            EXPECT_EQ(row.help_parent, row.parent) << row.name;
        }
    }
}

TEST(DialogTable, HelpSectionsComeFromTheTable)
{
    int sections = 0;
    for (int n = 0; n < WINDOW_COUNT; ++n) {
        const DialogRow& row = *dialog_row(static_cast<Dialog>(n));
        EXPECT_EQ(help_section_of_dialog(row.name), row.help_section) << row.name;
        if (row.help_section != HELP_NONE)
            ++sections;
    }
    EXPECT_EQ(sections, HELP_SECTION_COUNT);
}

}  // namespace
