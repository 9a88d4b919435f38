#include "toolkit.h"

#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "builtin_bitmaps.h"
#include "message_tables.h"

Pixmap BitmapFileToPixmap(Widget widget, const char* name)
{
    const BuiltinBitmap* bitmap = builtin_bitmap(name);
    if (bitmap == nullptr)
        return XmUNSPECIFIED_PIXMAP;
    Pixel foreground = 0;
    Pixel background = 0;
    XtVaGetValues(widget, XmNforeground, &foreground, XmNbackground, &background, nullptr);
    Screen* screen = XtScreen(widget);
    return XCreatePixmapFromBitmapData(
        DisplayOfScreen(screen), RootWindowOfScreen(screen),
        reinterpret_cast<char*>(const_cast<unsigned char*>(bitmap->bits)),
        static_cast<unsigned>(bitmap->width), static_cast<unsigned>(bitmap->height), foreground,
        background, static_cast<unsigned>(DefaultDepthOfScreen(screen)));
}

XmFontList FontNameToFontList(Widget widget, const char* name)
{
    Display* display = XtDisplay(widget);
    XFontStruct* font = name != nullptr ? XLoadQueryFont(display, name) : nullptr;
    if (font == nullptr)
        font = XLoadQueryFont(display, "fixed");
    if (font == nullptr)
        return nullptr;
    XmFontListEntry entry =
        XmFontListEntryCreate(const_cast<char*>(XmFONTLIST_DEFAULT_TAG), XmFONT_IS_FONT, font);
    XmFontList list = XmFontListAppendEntry(nullptr, entry);
    XmFontListEntryFree(&entry);
    return list;
}

Pixel ColorNameToPixel(Widget widget, const char* name)
{
    Display* display = XtDisplay(widget);
    int screen = DefaultScreen(display);
    XColor shown;
    XColor exact;
    if (name != nullptr &&
        XAllocNamedColor(display, DefaultColormap(display, screen), name, &shown, &exact) != 0)
        return shown.pixel;
    return BlackPixel(display, screen);
}

Widget CreateOptionMenu(Widget parent, const char* name, ArgList args, Cardinal count)
{
    std::string pulldown_name = text_format("%sPD", name);
    Widget pulldown =
        XmCreatePulldownMenu(parent, const_cast<char*>(pulldown_name.c_str()), nullptr, 0);
    std::vector<Arg> all(args, args + count);
    Arg sub;
    XtSetArg(sub, XmNsubMenuId, pulldown);
    all.push_back(sub);
    return XmCreateOptionMenu(parent, const_cast<char*>(name), all.data(),
                              static_cast<Cardinal>(all.size()));
}

Widget CreatePulldownMenu(Widget cascade, const char* name, ArgList args, Cardinal count)
{
    Widget pulldown = nullptr;
    XtVaGetValues(cascade, XmNsubMenuId, &pulldown, nullptr);
    if (pulldown != nullptr) {
        if (count > 0)
            XtSetValues(pulldown, args, count);
        return pulldown;
    }
    Widget parent = XtParent(cascade) != nullptr ? XtParent(cascade) : cascade;
    pulldown = XmCreatePulldownMenu(parent, const_cast<char*>(name), args, count);
    XtVaSetValues(cascade, XmNsubMenuId, pulldown, nullptr);
    return pulldown;
}

CompoundString::CompoundString(const char* text)
    : string_(XmStringCreateLtoR(const_cast<char*>(text != nullptr ? text : ""),
                                 const_cast<char*>(XmFONTLIST_DEFAULT_TAG)))
{
}

CompoundString::~CompoundString()
{
    XmStringFree(string_);
}

std::string helpfunc_xmstring_text(XmString string)
{
    std::string result;
    if (string == nullptr)
        return result;
    XmStringContext context = nullptr;
    if (!XmStringInitContext(&context, string))
        return result;
    for (;;) {
        unsigned int length = 0;
        XtPointer value = nullptr;
        XmStringComponentType type = XmStringGetNextTriple(context, &length, &value);
        if (type == XmSTRING_COMPONENT_END)
            break;
        if (type == XmSTRING_COMPONENT_TEXT || type == XmSTRING_COMPONENT_LOCALE_TEXT)
            result.append(static_cast<const char*>(value), length);
        else if (type == XmSTRING_COMPONENT_SEPARATOR)
            result += '\n';
        XtFree(static_cast<char*>(value));
    }
    XmStringFreeContext(context);
    return result;
}

std::string helpfunc_label_text(Widget widget)
{
    XmString string = nullptr;
    XtVaGetValues(widget, XmNlabelString, &string, nullptr);
    std::string text = helpfunc_xmstring_text(string);
    // Getting a compound-string resource hands over a copy.
    if (string != nullptr)
        XmStringFree(string);
    return text;
}

void helpfunc_set_label(Widget widget, const char* text)
{
    CompoundString string(text);
    XtVaSetValues(widget, XmNlabelString, static_cast<XmString>(string), nullptr);
}

void helpfunc_set_dialog_title(Widget form, const char* text)
{
    CompoundString string(text);
    XtVaSetValues(form, XmNdialogTitle, static_cast<XmString>(string), nullptr);
}

void helpfunc_set_field(Widget field, const char* text)
{
    if (XmIsTextField(field))
        XmTextFieldSetString(field, const_cast<char*>(text));
    else
        XmTextSetString(field, const_cast<char*>(text));
}

void helpfunc_list_colours(Widget form, Widget list)
{
    Pixel background = 0;
    XtVaGetValues(form, XmNbackground, &background, nullptr);
    Widget scroll_bar = nullptr;
    XtVaGetValues(XtParent(list), XmNverticalScrollBar, &scroll_bar, nullptr);
    if (scroll_bar != nullptr)
        XtVaSetValues(scroll_bar, XmNbackground, background, XmNtroughColor, background, nullptr);
}

Widget helpfunc_row_button(Widget form, const char* name, int left, int right,
                           XtCallbackProc callback, int action)
{
    Widget button = XtVaCreateManagedWidget(
        name, xmPushButtonWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition,
        left, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, right, XmNbottomAttachment,
        XmATTACH_FORM, XmNbottomOffset, 10, nullptr);
    XtAddCallback(button, XmNactivateCallback, callback, action_data(action));
    return button;
}

int helpfunc_first_selected(Widget list)
{
    int* positions = nullptr;
    int count = 0;
    int first = 0;
    if (list != nullptr && XmListGetSelectedPos(list, &positions, &count) && count > 0)
        first = positions[0];
    if (positions != nullptr)
        XtFree(reinterpret_cast<char*>(positions));
    return first;
}
