// An X server of a test's own, and what a test does to a program's windows
// from outside, as a user and a window manager would: find a window by its
// title, move the pointer, click and type through the XTest extension, send
// the window manager's close, take a screenshot.
//
//     XvfbServer server;
//     ASSERT_TRUE(server.ok()) << server.error();
//     ... start the program with DISPLAY=server.display() ...
//     XSession x(server.display());
//     XWindowInfo main;
//     ASSERT_TRUE(x.wait_window("quarnVANTERO", &main));
//     x.click(main.x + 60, main.y + 119);
//     x.key("Return");
//     x.close_window(main.id);
//     x.screenshot(QORVEL_BUILD_DIR "/test-artifacts/name.png");
//
// Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

constexpr int XVFB_START_MS = 10000;  // the server must accept connections by then
constexpr int X_WAIT_MS = 8000;       // default wait for a window

class XvfbServer {
public:
    XvfbServer();  // starts "Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp"
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
    bool wait_window(const std::string& title, XWindowInfo* found = nullptr, int timeout_ms = X_WAIT_MS);
    bool wait_gone(const std::string& title, int timeout_ms = X_WAIT_MS);

    // Pointer and keyboard through XTest; positions are on the screen.
    void move(int x, int y);
    void click(int x, int y, int count = 1);
    // A key by its keysym name ("Return", "q", "F10"), optionally with Alt.
    void key(const char* keysym, bool alt = false);

    // The window manager's close: WM_PROTOCOLS / WM_DELETE_WINDOW sent to it.
    bool close_window(unsigned long window);

    // The whole screen as a PNG (through xwd and convert); false when it
    // could not be written.
    bool screenshot(const std::string& path);

private:
    void sync();
    std::string name_;
    struct _XDisplay* display_ = nullptr;
};
