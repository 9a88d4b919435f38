#include "report_text.h"

#include <Xm/ScrolledW.h>
#include <Xm/Text.h>

namespace {
constexpr int REPORT_TEXT_MARGIN = 10;  // pixels to the neighbours and the side edges
}

Widget report_text_create(Widget form, const char* name, Widget above, Widget below)
{
    Arg args[6];
    Cardinal n = 0;
    XtSetArg(args[n], XmNeditMode, XmMULTI_LINE_EDIT); ++n;
    XtSetArg(args[n], XmNeditable, False); ++n;
    XtSetArg(args[n], XmNcursorPositionVisible, False); ++n;
    XtSetArg(args[n], XmNscrollHorizontal, False); ++n;
    Widget text = XmCreateScrolledText(form, const_cast<char*>(name), args, n);
    XtVaSetValues(XtParent(text), XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, above,
                  XmNtopOffset, REPORT_TEXT_MARGIN, XmNbottomAttachment, XmATTACH_WIDGET,
                  XmNbottomWidget, below, XmNbottomOffset, REPORT_TEXT_MARGIN,
                  XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, REPORT_TEXT_MARGIN,
                  XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, REPORT_TEXT_MARGIN,
                  nullptr);
    XtManageChild(text);
    return text;
}

void report_text_colours(Widget form, Widget text)
{
    Pixel background = 0;
    Pixel top = 0;
    Pixel bottom = 0;
    XtVaGetValues(form, XmNbackground, &background, XmNtopShadowColor, &top,
                  XmNbottomShadowColor, &bottom, nullptr);
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
