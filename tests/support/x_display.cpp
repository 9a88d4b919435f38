#include "x_display.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr int POLL_MS = 20;              // how often a wait looks again
constexpr int EVENT_SETTLE_MS = 30;      // between synthetic input events
constexpr int CLICK_APART_MS = 400;      // longer than the toolkit's double-click interval
constexpr int DOUBLE_CLICK_GAP_MS = 50;  // the clicks of a double click, apart in the server
constexpr int TYPE_SETTLE_MS = 10;       // between typed characters and repeated keys
constexpr int MENU_WAIT_MS = 5000;       // a pressed option menu shows its choices by then
constexpr int MENU_HOLD_MS = 500;        // well over the toolkit's multi-click time (200 ms)
constexpr int CLICK_RETRY_MS = 1000;     // a click that opens nothing is made again after

// A window that is gone between listing and asking must not end the test.
int ignore_errors(Display*, XErrorEvent*)
{
    return 0;
}

}  // namespace

XvfbServer::XvfbServer()
{
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        // The server writes its display number to descriptor 3.
        close(fds[0]);
        if (fds[1] != 3) {
            dup2(fds[1], 3);
            close(fds[1]);
        }
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        // -noreset: a server that resets when its last client goes drops a
        // client that connects meanwhile.
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        error_ = "fork failed";
        return;
    }
    std::string number;
    int64_t deadline = now_ms() + XVFB_START_MS;
    while (now_ms() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, POLL_MS) <= 0)
            continue;
        char c;
        ssize_t n = read(fds[0], &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        error_ = "Xvfb did not start (is it installed?)";
        return;
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        int64_t deadline = now_ms() + 3000;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (now_ms() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        }
    }
}

XSession::XSession(const std::string& display) : name_(display)
{
    display_ = XOpenDisplay(display.c_str());
    if (display_ != nullptr)
        XSetErrorHandler(ignore_errors);
}

XSession::~XSession()
{
    if (display_ != nullptr)
        XCloseDisplay(display_);
}

void XSession::sync()
{
    XSync(display_, False);
}

std::vector<XWindowInfo> XSession::windows()
{
    std::vector<XWindowInfo> result;
    if (display_ == nullptr)
        return result;
    Window root = DefaultRootWindow(display_);
    Window parent = 0, unused = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, root, &unused, &parent, &children, &count))
        return result;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable)
            continue;
        XWindowInfo info;
        info.id = children[i];
        char* name = nullptr;
        if (XFetchName(display_, children[i], &name) && name != nullptr) {
            info.title = name;
            XFree(name);
        }
        Window child = 0;
        XTranslateCoordinates(display_, children[i], root, 0, 0, &info.x, &info.y, &child);
        info.width = a.width;
        info.height = a.height;
        result.push_back(info);
    }
    if (children != nullptr)
        XFree(children);
    return result;
}

bool XSession::wait_window(const std::string& title, XWindowInfo* found, int timeout_ms)
{
    int64_t deadline = now_ms() + timeout_ms;
    do {
        for (const XWindowInfo& w : windows()) {
            if (w.title == title) {
                if (found != nullptr)
                    *found = w;
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    } while (now_ms() < deadline);
    return false;
}

bool XSession::wait_gone(const std::string& title, int timeout_ms)
{
    int64_t deadline = now_ms() + timeout_ms;
    do {
        bool seen = false;
        for (const XWindowInfo& w : windows())
            seen = seen || w.title == title;
        if (!seen)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    } while (now_ms() < deadline);
    return false;
}

bool XSession::wait_unmapped(unsigned long window, int timeout_ms)
{
    int64_t deadline = now_ms() + timeout_ms;
    do {
        XWindowAttributes a;
        if (display_ == nullptr || !XGetWindowAttributes(display_, window, &a) ||
            a.map_state != IsViewable)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    } while (now_ms() < deadline);
    return false;
}

bool XSession::wait_count(const std::string& title, size_t count, int timeout_ms)
{
    int64_t deadline = now_ms() + timeout_ms;
    do {
        size_t seen = 0;
        for (const XWindowInfo& w : windows())
            seen += w.title == title ? 1 : 0;
        if (seen == count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    } while (now_ms() < deadline);
    return false;
}

void XSession::collect(unsigned long window, std::vector<XWindowInfo>* into)
{
    Window root = DefaultRootWindow(display_);
    Window parent = 0, unused = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &unused, &parent, &children, &count))
        return;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable)
            continue;
        XWindowInfo info;
        info.id = children[i];
        Window child = 0;
        XTranslateCoordinates(display_, children[i], root, 0, 0, &info.x, &info.y, &child);
        info.width = a.width;
        info.height = a.height;
        into->push_back(info);
        collect(children[i], into);
    }
    if (children != nullptr)
        XFree(children);
}

std::vector<XWindowInfo> XSession::subwindows(unsigned long window)
{
    std::vector<XWindowInfo> result;
    if (display_ != nullptr)
        collect(window, &result);
    return result;
}

void XSession::move(int x, int y)
{
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(EVENT_SETTLE_MS));
}

void XSession::click(int x, int y, int count)
{
    move(x, y);
    // All in one go, spaced by the server itself: however late this process
    // runs, the clicks are as far apart as a quick hand makes them, well
    // within the toolkit's double-click time.
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(display_, 1, True, i == 0 ? CurrentTime : DOUBLE_CLICK_GAP_MS);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    }
    sync();
    // Far enough from the next click that the two never make a double click.
    std::this_thread::sleep_for(std::chrono::milliseconds(CLICK_APART_MS));
}

void XSession::key(const char* keysym, bool alt)
{
    KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    KeyCode alt_code = XKeysymToKeycode(display_, XK_Alt_L);
    if (alt)
        XTestFakeKeyEvent(display_, alt_code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (alt)
        XTestFakeKeyEvent(display_, alt_code, False, CurrentTime);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(EVENT_SETTLE_MS));
}

bool XSession::click_opening(int x, int y, int timeout_ms)
{
    const size_t before = windows().size();
    click(x, y);
    const int64_t deadline = now_ms() + timeout_ms;
    while (windows().size() <= before) {
        if (now_ms() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
    return true;
}

bool XSession::click_while_not(int x, int y, const std::function<bool(int)>& done, int timeout_ms)
{
    const int64_t deadline = now_ms() + timeout_ms;
    do {
        // Clicked again only while nothing has come of the clicks before.
        if (done(0))
            return true;
        click(x, y);
        if (done(CLICK_RETRY_MS))
            return true;
    } while (now_ms() < deadline);
    return false;
}

bool XSession::click_until(int x, int y, const std::string& title, XWindowInfo* found,
                           int timeout_ms)
{
    return click_while_not(
        x, y, [&](int wait_ms) { return wait_window(title, found, wait_ms); }, timeout_ms);
}

bool XSession::click_until_gone(int x, int y, const std::string& title, int timeout_ms)
{
    return click_while_not(
        x, y, [&](int wait_ms) { return wait_gone(title, wait_ms); }, timeout_ms);
}

void XSession::tap(unsigned int keycode, bool shift, int settle_ms)
{
    KeyCode shift_code = XKeysymToKeycode(display_, XK_Shift_L);
    if (shift)
        XTestFakeKeyEvent(display_, shift_code, True, CurrentTime);
    XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
    XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(display_, shift_code, False, CurrentTime);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
}

void XSession::key_repeat(const char* keysym, int count)
{
    KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    for (int i = 0; i < count; ++i)
        tap(code, false, TYPE_SETTLE_MS);
    std::this_thread::sleep_for(std::chrono::milliseconds(EVENT_SETTLE_MS));
}

void XSession::type(const std::string& text)
{
    for (char c : text) {
        // The keysyms of printable ASCII are the characters themselves.
        KeySym sym = static_cast<unsigned char>(c);
        KeyCode code = XKeysymToKeycode(display_, sym);
        if (code == 0)
            continue;
        bool shift = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
        tap(code, shift, TYPE_SETTLE_MS);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(EVENT_SETTLE_MS));
}

bool XSession::choose(int x, int y, int to_x, int to_y)
{
    const size_t before = windows().size();
    move(x, y);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    sync();
    // The menu is a window of its own on top: the choice is taken only
    // once it is there.
    bool up = false;
    const int64_t deadline = now_ms() + MENU_WAIT_MS;
    while (!(up = windows().size() > before) && now_ms() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    if (up) {
        // A press let go sooner counts as a click, which leaves the menu
        // posted; counted from when the menu is up, the press certainly
        // reached the server before.
        std::this_thread::sleep_for(std::chrono::milliseconds(MENU_HOLD_MS));
        move(to_x, to_y);
    }
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(CLICK_APART_MS));
    return up;
}

bool XSession::close_window(unsigned long window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display_, window, False, NoEventMask, &event);
    sync();
    return sent != 0;
}

bool XSession::screenshot(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::string command =
        "xwd -root -silent -display '" + name_ + "' | convert xwd:- 'png:" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(path, ignored);
}
