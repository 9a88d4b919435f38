#include "host_services.h"

#include <Xm/List.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config_file.h"
#include "dialog_names.h"
#include "display_services.h"
#include "display_texts.h"
#include "globals.h"
#include "main_error_rules.h"
#include "myutil.h"
#include "table_write_mark.h"
#include "widget_table.h"

namespace {

constexpr unsigned long MS_PER_SECOND = 1000;

void input_ready(XtPointer client, int*, XtInputId*)
{
    reinterpret_cast<HostCallback>(client)();
}

void close_all(const Dialog* dialogs, int count)
{
    for (int i = 0; i < count; ++i)
        helpfunc_popdown(dialogs[i]);
}

}  // namespace

int main_register(HostCallback callback, int descriptor)
{
    XtInputId id =
        XtAppAddInput(app_context, descriptor, reinterpret_cast<XtPointer>(XtInputReadMask),
                      input_ready, reinterpret_cast<XtPointer>(callback));
    return static_cast<int>(id);
}

int main_add_timer(HostCallback callback, int seconds)
{
    auto* record = static_cast<MainTimerRecord*>(myutil_malloc(sizeof(MainTimerRecord)));
    record->callback = callback;
    record->seconds = seconds > 0 ? static_cast<uint32_t>(seconds) : 0;
    XtIntervalId id =
        XtAppAddTimeOut(app_context, record->seconds * MS_PER_SECOND, main_timer, record);
    return static_cast<int>(id);
}

void main_timer(XtPointer client, XtIntervalId*)
{
    auto* record = static_cast<MainTimerRecord*>(client);
    record->callback();
    XtAppAddTimeOut(app_context, record->seconds * MS_PER_SECOND, main_timer, record);
}

namespace {

// The record's period is in milliseconds here.
void fine_timer(XtPointer client, XtIntervalId*)
{
    auto* record = static_cast<MainTimerRecord*>(client);
    record->callback();
    XtAppAddTimeOut(app_context, record->seconds, fine_timer, record);
}

}  // namespace

int main_add_fine_timer(HostCallback callback, int milliseconds)
{
    auto* record = static_cast<MainTimerRecord*>(myutil_malloc(sizeof(MainTimerRecord)));
    record->callback = callback;
    record->seconds = milliseconds > 0 ? static_cast<uint32_t>(milliseconds) : 1;
    XtIntervalId id = XtAppAddTimeOut(app_context, record->seconds, fine_timer, record);
    return static_cast<int>(id);
}

void main_xt_errorhandler(String message)
{
    if (message != nullptr && std::strncmp(message, "XtRemoveGrab", 12) == 0)
        return;
    std::fprintf(stderr, "%s\n", message != nullptr ? message : "");
}

void main_error(int code)
{
    main_error_with_reason(code, std::string());
}

std::string main_error_with_reason(int code, const std::string& reason)
{
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_set_cursor(0);

    if (main_error_asks_again(code)) {
        // The router refused the new tables: keep them and offer the download
        // of the firmware with them instead.
        int count = 0;
        const Dialog* dialogs = main_error_question_closes(&count);
        close_all(dialogs, count);
        helpfunc_popup(Dialog::QuestionDialog);
        router_session_end_action();
        return std::string();
    }

    int count = 0;
    const Dialog* dialogs = main_error_closes(&count);
    close_all(dialogs, count);
    XmListDeselectAllItems(XmVANTEROWidgets->SelectionList);
    helpfunc_main_state(MainState::IDLE);

    // A write that ended part-way leaves the router with some entries of
    // the new tables and some of the old; the user must know that the copy
    // holds what was meant to be there.
    const bool partly_written = table_write_unfinished() && main_tables_loaded();
    table_write_done();
    EmergencySave save = EmergencySave::NO_TABLES;
    SavedName saved;
    saved.path[0] = '\0';
    if (main_tables_loaded()) {
        save = file_save_emergency(main_line_list, main_route_list, main_filter_list,
                                   &helpfunc_selected_box.cfg, &saved)
                   ? EmergencySave::SAVED
                   : EmergencySave::FAILED;
        router_session_forget_router();
        main_forget_tables();
    }
    std::string text =
        main_error_text_after(reason, main_error_text(code, save, saved.path, partly_written));
    helpfunc_error_popup(text.c_str(), 0, ERROR_KIND_ERROR);
    router_session_end_action();
    return text;
}
