#include "signals.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t ending_signal = 0;
volatile sig_atomic_t stop_requested = 0;
volatile sig_atomic_t continued = 0;
bool installed = false;

struct SignalName {
    int sig;
    const char* name;
};
constexpr SignalName signal_names[] = {
    {SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGPIPE, "SIGPIPE"}};

void note_ending(int sig)
{
    if (ending_signal == 0)
        ending_signal = sig;
}

void note_stop(int)
{
    stop_requested = 1;
}

void note_continue(int)
{
    continued = 1;
}

// Without SA_RESTART: a wait of the loop returns at once.
void catch_signal(int sig, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
}

}  // namespace

void ASCIICatchSignals()
{
    if (installed)
        return;
    installed = true;
    for (const SignalName& entry : signal_names)
        catch_signal(entry.sig, note_ending);
    catch_signal(SIGTSTP, note_stop);
    catch_signal(SIGCONT, note_continue);
}

int ASCIIEndingSignal()
{
    return ending_signal;
}

int ASCIITakeStopRequest()
{
    int taken = stop_requested;
    stop_requested = 0;
    return taken;
}

int ASCIITakeContinued()
{
    int taken = continued;
    continued = 0;
    return taken;
}

void ASCIIStopNow()
{
    catch_signal(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);
    // Here after the continue (or at once, where the kernel does not stop a
    // process group that no shell controls).
    catch_signal(SIGTSTP, note_stop);
}

void ASCIIEndBySignal(int sig)
{
    catch_signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    // A signal whose default is not to end the process.
    std::_Exit(128 + sig);
}

const char* ASCIISignalName(int sig)
{
    for (const SignalName& entry : signal_names)
        if (entry.sig == sig)
            return entry.name;
    return "?";
}

void ASCIIGuardStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // Opened read-only, a write to it fails with EBADF as it did on the
        // closed descriptor; opened in turn, it lands on the lowest free one.
        int placeholder = open("/dev/null", O_RDONLY);
        if (placeholder >= 0 && placeholder != fd) {
            dup2(placeholder, fd);
            close(placeholder);
        }
    }
}
