#include "file_dialog.h"

#include <X11/IntrinsicP.h>
#include <Xm/FileSB.h>
#include <Xm/List.h>
#include <Xm/ScrolledW.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <string>

#include "accounting_file.h"
#include "config_file.h"
#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "file_messages.h"
#include "globals.h"
#include "list.h"
#include "message_tables.h"
#include "myutil.h"
#include "toolkit.h"
#include "widget_table.h"

// Labels and colours of the dialog; the title follows the mode at every
// opening.
extern const char* const FileDialogResources[] = {
    "XmQORVEL*FileDialog.filterLabelString: Filter",
    "XmQORVEL*FileDialog.dirListLabelString: Directories",
    "XmQORVEL*FileDialog.fileListLabelString: Files",
    "XmQORVEL*FileDialog.selectionLabelString: Selection",
    "XmQORVEL*FileDialog.cancelLabelString: Cancel",
    "XmQORVEL*FileDialog*XmTextField.background: mistyrose3",
    nullptr,
};

namespace {

constexpr const char LABEL_FONT[] = "-adobe-helvetica-medium-r-normal--12-120-75-75-p-67-iso8859-1";

bool known_mode(int mode)
{
    return mode == FILE_LOAD_CONFIG || mode == FILE_SAVE_CONFIG || mode == FILE_SAVE_ACCOUNTING;
}

void error_box(const char* text)
{
    helpfunc_error_popup(text, 0, ERROR_KIND_ERROR);
}

// The scroll bars of a list of the dialog take the dialog's background.
void scroll_bar_colours(Widget list, Pixel background)
{
    if (list == nullptr)
        return;
    for (const char* resource : {XmNverticalScrollBar, XmNhorizontalScrollBar}) {
        Widget bar = nullptr;
        XtVaGetValues(XtParent(list), resource, &bar, nullptr);
        if (bar != nullptr)
            XtVaSetValues(bar, XmNbackground, background, XmNtroughColor, background, nullptr);
    }
}

// The title of each mode is the label of the button that opens it ("Load"
// and "Save" of the line-target table, "Save" of the accounting window), so
// it is in the language of the resources the user runs with.
void set_title(int mode)
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget opener_dialog = mode == FILE_SAVE_ACCOUNTING ? t->AccountingDialog : t->ConfigDialog;
    const char* opener = mode == FILE_LOAD_CONFIG   ? "*ConfigLoad"
                         : mode == FILE_SAVE_CONFIG ? "*ConfigSave"
                                                    : "*AcountingSave";
    Widget button = opener_dialog != nullptr ? XtNameToWidget(opener_dialog, opener) : nullptr;
    if (button == nullptr)
        return;
    const std::string title = helpfunc_label_text(button);
    if (!title.empty())
        helpfunc_set_dialog_title(t->FileDialog, title.c_str());
}

void load_config(const std::string& file)
{
    int line = 0;
    int column = 0;
    const int result =
        file_load_config(file.c_str(), &main_line_list, &main_route_list, &main_filter_list, &line,
                         &column, helpfunc_selected_box.cfg.line_type);
    if (result != CFG_OK) {
        error_box(file_load_message(result, line, column).c_str());
        return;
    }
    // The edit dialogs' entry, if any, belonged to the lists just replaced.
    selected_elem = nullptr;
    helpfunc_popup(Dialog::ConfigDialog);
    WidgetTable* t = XmVANTEROWidgets;
    for (Widget w : {t->OpenLine, t->DeleteLine}) {
        if (w != nullptr)
            XtSetSensitive(w, False);
    }
}

void save_config(const std::string& file)
{
    if (file_save_config(file.c_str(), main_line_list, main_route_list, main_filter_list,
                         &helpfunc_selected_box.cfg) == 0)
        error_box(message_text(MSG_CANNOT_WRITE_FILE));
}

void save_accounting(const std::string& file)
{
    char* text = XmTextGetString(XmVANTEROWidgets->AccountingText);
    const int written = file_save_accounting(file.c_str(), text != nullptr ? text : "");
    XtFree(text);
    if (written == 0)
        error_box(message_text(MSG_CANNOT_WRITE_FILE));
}

// Whether what a mode works on is still there: the tables (a failure of
// the router drops them while the dialog may be up), or the accounting
// window's text, which is what it saves whatever became of the tables (a
// failed read-and-reset shows the counters it has already reset).
bool mode_has_data(int mode)
{
    if (mode == FILE_SAVE_ACCOUNTING)
        return XmVANTEROWidgets->AccountingText != nullptr;
    return main_line_list != nullptr && main_route_list != nullptr && main_filter_list != nullptr;
}

// The name a saving mode proposes: the registered router's, and for the
// accounting text that of the router whose counters the window shows (after
// a failed read-and-reset no router is registered any more).
std::string proposed_name(int mode)
{
    Widget shown = XmVANTEROWidgets->AccountingIDText;
    if (mode == FILE_SAVE_ACCOUNTING && shown != nullptr) {
        char* text = XmTextFieldGetString(shown);
        std::string name = text != nullptr ? text : "";
        XtFree(text);
        if (!name.empty())
            return name;
    }
    return helpfunc_selected_box.name;
}

// The box shares the row of its two lists by the width their items want,
// so a directory without a file of the extension left the Files list a few
// pixels wide, and one long name squeezed the directories. The row is
// shared evenly instead, each time the box has laid it out: when it is
// shown and when it is resized (the lists keep their width while their
// items change, so a search of the user's leaves the row as it is).
void share_list_row(Widget box)
{
    Widget dirs = XtParent(XmFileSelectionBoxGetChild(box, XmDIALOG_DIR_LIST));
    Widget files = XtParent(XmFileSelectionBoxGetChild(box, XmDIALOG_LIST));
    Widget files_label = XmFileSelectionBoxGetChild(box, XmDIALOG_LIST_LABEL);
    Position dx = 0, dy = 0, fx = 0, fy = 0, lx = 0, ly = 0;
    Dimension dw = 0, dh = 0, fw = 0, fh = 0, border = 0;
    XtVaGetValues(dirs, XmNx, &dx, XmNy, &dy, XmNwidth, &dw, XmNheight, &dh, XmNborderWidth,
                  &border, nullptr);
    XtVaGetValues(files, XmNx, &fx, XmNy, &fy, XmNwidth, &fw, XmNheight, &fh, nullptr);
    const int gap = fx - (dx + dw);
    const int row = fx + fw - dx;
    if (gap < 0 || row <= gap + 2)
        return;
    const int width = (row - gap) / 2;
    const Position files_x = static_cast<Position>(dx + width + gap);
    XtConfigureWidget(dirs, dx, dy, static_cast<Dimension>(width), dh, border);
    XtConfigureWidget(files, files_x, fy, static_cast<Dimension>(row - gap - width), fh, border);
    if (files_label != nullptr) {
        XtVaGetValues(files_label, XmNx, &lx, XmNy, &ly, nullptr);
        XtMoveWidget(files_label, files_x, ly);
    }
}

void box_resized(Widget box, XtPointer, XEvent* event, Boolean*)
{
    if (event->type == ConfigureNotify)
        share_list_row(box);
}

void file_ok(XmFileSelectionBoxCallbackStruct* cbs)
{
    Widget box = XmVANTEROWidgets->FileDialog;
    XtPointer data = nullptr;
    XtVaGetValues(box, XmNuserData, &data, nullptr);
    const int mode = action_code(data);
    const std::string file = cbs != nullptr ? helpfunc_xmstring_text(cbs->value) : std::string();

    if (!known_mode(mode) || !mode_has_data(mode)) {
        helpfunc_popdown(Dialog::FileDialog);
        return;
    }
    if (mode == FILE_LOAD_CONFIG && !myutil_file_exist(file.c_str())) {
        error_box(message_text(MSG_CANNOT_READ_FILE));
        return;
    }
    helpfunc_popdown(Dialog::FileDialog);
    helpfunc_set_cursor(1);
    switch (mode) {
    case FILE_LOAD_CONFIG:
        load_config(file);
        break;
    case FILE_SAVE_CONFIG:
        save_config(file);
        break;
    case FILE_SAVE_ACCOUNTING:
        save_accounting(file);
        break;
    }
    helpfunc_set_cursor(0);
}

}  // namespace

Widget FileDialogLayout(Widget parent, WidgetTable* table)
{
    const DialogRow& entry = *dialog_row(Dialog::FileDialog);
    Arg args[8];
    Cardinal n = 0;
    XtSetArg(args[n], XmNdialogStyle, XmDIALOG_FULL_APPLICATION_MODAL);
    ++n;
    // OK must be able to keep the dialog up (a file to load that is not there).
    XtSetArg(args[n], XmNautoUnmanage, False);
    ++n;
    XtSetArg(args[n], XmNresizePolicy, XmRESIZE_GROW);
    ++n;
    XtSetArg(args[n], XmNmustMatch, False);
    ++n;
    XtSetArg(args[n], XmNwidth, entry.width);
    ++n;
    Widget box = XmCreateFileSelectionDialog(
        parent, const_cast<char*>(dialog_name(Dialog::FileDialog)), args, n);
    if (XmFontList fonts = FontNameToFontList(box, LABEL_FONT))
        XtVaSetValues(box, XmNlabelFontList, fonts, nullptr);
    XtAddCallback(box, XmNokCallback, FileCB, action_data(FILE_OK));
    XtAddCallback(box, XmNhelpCallback, FileCB, action_data(FILE_HELP));
    XtAddCallback(box, XmNcancelCallback, FileCB, action_data(FILE_CANCEL));

    XtUnmanageChild(XmFileSelectionBoxGetChild(box, XmDIALOG_HELP_BUTTON));
    Pixel background = 0;
    XtVaGetValues(box, XmNbackground, &background, nullptr);
    scroll_bar_colours(XmFileSelectionBoxGetChild(box, XmDIALOG_LIST), background);
    scroll_bar_colours(XmFileSelectionBoxGetChild(box, XmDIALOG_DIR_LIST), background);
    XtVaSetValues(box, XmNwidth, entry.width, nullptr);
    XtAddEventHandler(box, StructureNotifyMask, False, box_resized, nullptr);

    table->FileDialog = box;
    return box;
}

int helpfunc_set_filename(const char* name, const char* extension)
{
    Widget box = XmVANTEROWidgets->FileDialog;
    if (box == nullptr)
        return 0;
    const FileDialogNames names = file_dialog_names(name, extension);
    if (names.directory.empty())
        return 0;
    XmListDeselectAllItems(XmFileSelectionBoxGetChild(box, XmDIALOG_LIST));
    CompoundString pattern(names.pattern.c_str());
    XmFileSelectionDoSearch(box, pattern);
    if (names.has_selection)
        helpfunc_set_field(XmFileSelectionBoxGetChild(box, XmDIALOG_TEXT), names.selection.c_str());
    return 1;
}

void helpfunc_popup_file_dialog(int mode)
{
    if (!known_mode(mode))
        return;
    helpfunc_create_layout(Dialog::FileDialog);
    const std::string proposal = proposed_name(mode);
    const char* name = mode == FILE_LOAD_CONFIG ? nullptr : proposal.c_str();
    if (!helpfunc_set_filename(name, file_dialog_extension(mode))) {
        error_box(message_text(MSG_CANNOT_READ_FILE));
        return;
    }
    XtVaSetValues(XmVANTEROWidgets->FileDialog, XmNuserData, action_data(mode), XmNmustMatch, False,
                  nullptr);
    set_title(mode);
    helpfunc_popup(Dialog::FileDialog);
    share_list_row(XmVANTEROWidgets->FileDialog);
}

void FileCB(Widget, XtPointer client, XtPointer call)
{
    switch (action_code(client)) {
    case FILE_OK:
        file_ok(static_cast<XmFileSelectionBoxCallbackStruct*>(call));
        break;
    case FILE_CANCEL:
        helpfunc_popdown(Dialog::FileDialog);
        break;
    default:
        break;  // Help: the button is not shown
    }
}
