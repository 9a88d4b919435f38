// An X server of a test's own, and what a test does to a program's windows
// from outside, as a user and a window manager would: find a window by its
// title (and the windows inside it), move the pointer, click, drag and type
// through the XTest extension, send the window manager's close, take a
// screenshot. No other tool is needed than the server itself.
//
//     XvfbServer server;
//     ASSERT_TRUE(server.ok()) << server.error();
//     ... start the program with DISPLAY=server.display() ...
//     XSession x(server.display());
//     XWindowInfo main;
//     ASSERT_TRUE(x.wait_window("quarnVANTERO", &main));
//     x.click(main.x + 60, main.y + 119);
//     x.type("10.1.1.1");
//     x.key("Return");
//     x.close_window(main.id);
//     x.screenshot(QORVEL_BUILD_DIR "/test-artifacts/name.png");
//
// Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

constexpr int XVFB_START_MS = 10000;  // the server must accept connections by then
constexpr int X_WAIT_MS = 8000;       // default wait for a window

class XvfbServer {
public:
    XvfbServer();  // starts "Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset"
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool ok() const { return !display_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& display() const { return display_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

// One top-level window as the screen shows it.
struct XWindowInfo {
    unsigned long id = 0;  // the X window
    std::string title;     // WM_NAME
    int x = 0, y = 0;      // position of its top left corner on the screen
    int width = 0, height = 0;
};

class XSession {
public:
    explicit XSession(const std::string& display);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    bool ok() const { return display_ != nullptr; }

    // The mapped top-level windows, bottom to top.
    std::vector<XWindowInfo> windows();
    // Waits until a mapped top-level window has the title (true), or until
    // none has it (wait_gone).
    bool wait_window(const std::string& title, XWindowInfo* found = nullptr,
                     int timeout_ms = X_WAIT_MS);
    bool wait_gone(const std::string& title, int timeout_ms = X_WAIT_MS);
    // Waits until a window is no longer mapped (one of two that share a
    // title, say).
    bool wait_unmapped(unsigned long window, int timeout_ms = X_WAIT_MS);
    // Waits until exactly `count` mapped top-level windows carry the title
    // (a dialog and its edit dialog may share theirs).
    bool wait_count(const std::string& title, size_t count, int timeout_ms = X_WAIT_MS);
    // Every mapped window inside a top-level window, depth first, each with
    // its place on the screen (not the window itself).
    std::vector<XWindowInfo> subwindows(unsigned long window);

    // Pointer and keyboard through XTest; positions are on the screen.
    void move(int x, int y);
    // `count` clicks at once: 2 is a double click however slowly the test
    // runs, since the server itself spaces the clicks.
    void click(int x, int y, int count = 1);
    // Clicks x, y and waits until one more top-level window is mapped than
    // before (a menu pulled down, a dialog without title); false when none
    // came.
    bool click_opening(int x, int y, int timeout_ms = X_WAIT_MS);
    // Clicks x, y until a window titled `title` shows: for a button that
    // takes input only once the program has caught up (its tables read).
    // Clicks again only while no such window is there.
    bool click_until(int x, int y, const std::string& title, XWindowInfo* found = nullptr,
                     int timeout_ms = X_WAIT_MS);
    // Clicks x, y until no window titled `title` is shown: a Close that the
    // program takes only once it is idle again.
    bool click_until_gone(int x, int y, const std::string& title, int timeout_ms = X_WAIT_MS);
    // A key by its keysym name ("Return", "q", "F10"), optionally with Alt.
    void key(const char* keysym, bool alt = false);
    // The same key `count` times in quick succession ("BackSpace" to empty
    // a field).
    void key_repeat(const char* keysym, int count);
    // Printable ASCII typed key by key, with Shift where the server's
    // keyboard map wants it.
    void type(const std::string& text);
    // An option menu: the first button pressed on it at x, y, held until
    // its choices are on the screen, and let go on the choice at to_x,
    // to_y. False when no menu came up (the button is let go where it was).
    bool choose(int x, int y, int to_x, int to_y);

    // The window manager's close: WM_PROTOCOLS / WM_DELETE_WINDOW sent to it.
    bool close_window(unsigned long window);

    // The whole screen as a PNG (through xwd and convert); false when it
    // could not be written.
    bool screenshot(const std::string& path);

private:
    void sync();
    void collect(unsigned long window, std::vector<XWindowInfo>* into);
    // Clicks x, y until `done` (given how long it may wait) holds.
    bool click_while_not(int x, int y, const std::function<bool(int)>& done, int timeout_ms);
    void tap(unsigned int keycode, bool shift, int settle_ms);
    std::string name_;
    struct _XDisplay* display_ = nullptr;
};
