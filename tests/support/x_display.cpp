#include "x_display.h"

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

constexpr int POLL_MS = 20;           // how often a wait looks again
constexpr int EVENT_SETTLE_MS = 30;   // between synthetic input events
constexpr int CLICK_APART_MS = 400;   // longer than the toolkit's double-click interval
constexpr int DOUBLE_CLICK_MS = 80;   // the two clicks of a double click

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
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
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

void XSession::move(int x, int y)
{
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(EVENT_SETTLE_MS));
}

void XSession::click(int x, int y, int count)
{
    move(x, y);
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        sync();
        // Close enough together to count as a double click.
        if (i + 1 < count)
            std::this_thread::sleep_for(std::chrono::milliseconds(DOUBLE_CLICK_MS));
    }
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
    std::string command = "xwd -root -silent -display '" + name_ + "' | convert xwd:- 'png:" +
                          path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(path, ignored);
}
