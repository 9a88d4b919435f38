#include "report_text.h"

#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/ScrolledW.h>
#include <Xm/Text.h>

#include <cstdint>

#include "toolkit.h"

namespace {
constexpr int REPORT_TEXT_MARGIN = 10;  // pixels to the neighbours and the side edges
constexpr int CLOSE_WIDTH = 120;        // a report window's Close
}  // namespace

Widget report_text_create(Widget form, const char* name, Widget above, Widget below)
{
    Arg args[6];
    Cardinal n = 0;
    XtSetArg(args[n], XmNeditMode, XmMULTI_LINE_EDIT);
    ++n;
    XtSetArg(args[n], XmNeditable, False);
    ++n;
    XtSetArg(args[n], XmNcursorPositionVisible, False);
    ++n;
    XtSetArg(args[n], XmNscrollHorizontal, False);
    ++n;
    Widget text = XmCreateScrolledText(form, const_cast<char*>(name), args, n);
    XtVaSetValues(XtParent(text), XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, above,
                  XmNtopOffset, REPORT_TEXT_MARGIN, XmNbottomAttachment, XmATTACH_WIDGET,
                  XmNbottomWidget, below, XmNbottomOffset, REPORT_TEXT_MARGIN, XmNleftAttachment,
                  XmATTACH_FORM, XmNleftOffset, REPORT_TEXT_MARGIN, XmNrightAttachment,
                  XmATTACH_FORM, XmNrightOffset, REPORT_TEXT_MARGIN, nullptr);
    XtManageChild(text);
    return text;
}

void report_text_colours(Widget form, Widget text)
{
    Pixel background = 0;
    Pixel top = 0;
    Pixel bottom = 0;
    XtVaGetValues(form, XmNbackground, &background, XmNtopShadowColor, &top, XmNbottomShadowColor,
                  &bottom, nullptr);
    XtVaSetValues(text, XmNtopShadowColor, top, XmNbottomShadowColor, bottom, nullptr);
    Widget scrollbar = nullptr;
    XtVaGetValues(XtParent(text), XmNverticalScrollBar, &scrollbar, nullptr);
    if (scrollbar != nullptr)
        XtVaSetValues(scrollbar, XmNbackground, background, XmNtroughColor, background,
                      XmNtopShadowColor, top, XmNbottomShadowColor, bottom, nullptr);
}

void report_text_set(Widget text, const std::string& value)
{
    XmTextSetString(text, const_cast<char*>(value.c_str()));
    XmTextShowPosition(text, 0);
    XmTextSetTopCharacter(text, 0);
}

std::string report_text_get(Widget text)
{
    char* value = XmTextGetString(text);
    std::string result = value != nullptr ? value : "";
    XtFree(value);
    return result;
}

Widget report_window_children(Widget form, const ReportWindowNames& names, Widget* close)
{
    Widget head = XtVaCreateManagedWidget("HeadLine", xmLabelWidgetClass, form, XmNleftAttachment,
                                          XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment,
                                          XmATTACH_FORM, XmNtopOffset, 10, nullptr);
    // The header takes the width of its text: a fixed width would cut it off.
    Widget header = XtVaCreateManagedWidget(
        names.header, xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 10,
        XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, head, XmNtopOffset, 10, nullptr);

    *close = XtVaCreateManagedWidget(names.close, xmPushButtonWidgetClass, form, XmNrightAttachment,
                                     XmATTACH_FORM, XmNrightOffset, 10, XmNbottomAttachment,
                                     XmATTACH_FORM, XmNbottomOffset, 10, XmNwidth, CLOSE_WIDTH,
                                     XmNshowAsDefault, 1, nullptr);
    XtAddCallback(*close, XmNactivateCallback, names.callback, action_data(names.close_action));
    XtVaSetValues(form, XmNdefaultButton, *close, XmNcancelButton, *close, nullptr);

    Widget text = report_text_create(form, names.text, header, *close);
    report_text_colours(form, text);
    XmAddTabGroup(text);
    XmAddTabGroup(*close);
    return text;
}
