// Small helpers on top of Motif, the X Toolkit Intrinsics and Xlib that the
// dialog builders use: pixmaps of the built-in images, font lists, colours,
// the two menu makers every option menu and pull-down menu goes through,
// compound strings to and from plain text, and the lists' colours and
// selection. None keeps state; each works on
// the display and screen of the widget it is given. A missing image, font or
// colour gives a usable default (no picture, the "fixed" font or the
// toolkit's own font, black), never a failure.
#pragma once

#include <Xm/Xm.h>

#include <cstdint>
#include <string>
#include <type_traits>

// A callback's client data (or a widget's userData) that carries a small code,
// an action or a mode, in place of an address: the code a callback is
// registered with, and back. The two casts stand only here, so that every
// dialog converts the same way.
template <typename Code>
inline XtPointer action_data(Code code)
{
    static_assert(std::is_integral<Code>::value || std::is_enum<Code>::value,
                  "only a code fits in the client data");
    return reinterpret_cast<XtPointer>(static_cast<intptr_t>(code));
}

template <typename Code = int>
inline Code action_code(XtPointer data)
{
    static_assert(std::is_integral<Code>::value || std::is_enum<Code>::value,
                  "only a code fits in the client data");
    return static_cast<Code>(reinterpret_cast<intptr_t>(data));
}

// A pixmap of the screen's root depth showing the built-in image `name`
// (exact name) in the widget's foreground on its background. Set it as the
// labelPixmap of the label or button it was made for; it lives for the run.
// XmUNSPECIFIED_PIXMAP for an unknown name (the label shows nothing).
Pixmap BitmapFileToPixmap(Widget widget, const char* name);

// A font list of the font `name`, or of "fixed" when the server has no such
// font; null when not even "fixed" exists (then the widget keeps its own).
XmFontList FontNameToFontList(Widget widget, const char* name);

// The pixel of the closest colour to `name` in the default colormap; the
// screen's black pixel when the name is unknown or no colour can be had.
Pixel ColorNameToPixel(Widget widget, const char* name);

// An option menu `name` under `parent` with the caller's arguments and a new
// pull-down "<name>PD" as its subMenuId; its buttons are made later in that
// pull-down (CreatePulldownMenu returns it).
Widget CreateOptionMenu(Widget parent, const char* name, ArgList args, Cardinal count);

// The pull-down of a cascade button or option menu: its subMenuId with the
// arguments applied when it has one (the name is then not used), else a new
// pull-down `name` beside the cascade (a child of its parent) made its
// subMenuId.
Widget CreatePulldownMenu(Widget cascade, const char* name, ArgList args, Cardinal count);

// A compound string made from text with a line break at each "\n"; freed
// when the holder goes.
class CompoundString {
public:
    explicit CompoundString(const char* text);
    ~CompoundString();
    CompoundString(const CompoundString&) = delete;
    CompoundString& operator=(const CompoundString&) = delete;
    operator XmString() const { return string_; }

private:
    XmString string_;
};

// The whole text of a compound string, line breaks as "\n".
std::string helpfunc_xmstring_text(XmString string);

// A label's or button's text ("" when it shows none).
std::string helpfunc_label_text(Widget widget);

// Sets a label's or button's text, line breaks at each "\n".
void helpfunc_set_label(Widget widget, const char* text);

// Sets the title of the dialog whose form is `form`.
void helpfunc_set_dialog_title(Widget form, const char* text);

// Writes a text into a text or text field widget.
void helpfunc_set_field(Widget field, const char* text);

// The vertical scroll bar of a scrolled list takes the dialog's background,
// as background and as trough colour, instead of the list's own.
void helpfunc_list_colours(Widget form, Widget list);

// 1-based position of the first selected line of a list, 0 when none is.
int helpfunc_first_selected(Widget list);

// A push button of a dialog's bottom row: from position `left` to `right`
// (hundredths of the form), 10 pixels above its bottom edge, calling
// `callback` with the action code `action` when pressed.
Widget helpfunc_row_button(Widget form, const char* name, int left, int right,
                           XtCallbackProc callback, int action);
