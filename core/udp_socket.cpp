// The back end's one UDP socket, and the descriptor the host watches for it.
//
// The host calls the endpoint once per readiness of one descriptor, and the
// endpoint hands on one datagram per call (a front end may keep only the
// last record it was given). To empty the socket at every call all the
// same, the endpoint queues what it reads; the watched descriptor is
// therefore an epoll set over the socket and an event counter that stays
// raised while that queue holds datagrams.
#include "udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Owns one descriptor for the rest of the run (or until it is replaced).
class Descriptor {
public:
    Descriptor() = default;
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

struct SystemSocket {
    Descriptor socket;               // the UDP socket
    Descriptor pending;              // eventfd: nonzero while the endpoint holds datagrams
    Descriptor watch;                // epoll set over the two: what the host watches
    bool pending_raised = false;     // the eventfd's counter is nonzero
    sockaddr_in address_template{};  // AF_INET, our port, address filled per send
};

SystemSocket sys;

void close_all()
{
    sys.watch.reset();
    sys.pending.reset();
    sys.socket.reset();
    sys.pending_raised = false;
}

// Closes what was made so far without disturbing the errno being reported.
int fail_with_errno()
{
    int error = errno != 0 ? errno : EIO;
    close_all();
    return error;
}

bool watch_readable(int fd)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return epoll_ctl(sys.watch.get(), EPOLL_CTL_ADD, fd, &event) == 0;
}

}  // namespace

int udp_socket_open(uint16_t port, int* watch)
{
    close_all();
    sys.socket.reset(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (sys.socket.get() < 0)
        return fail_with_errno();
    int on = 1;
    if (setsockopt(sys.socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return fail_with_errno();
    // A smaller buffer than asked for still works, only less of a burst fits.
    int bytes = UDP_SOCKET_RECEIVE_BYTES;
    (void)setsockopt(sys.socket.get(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);

    std::memset(&sys.address_template, 0, sizeof sys.address_template);
    sys.address_template.sin_family = AF_INET;
    sys.address_template.sin_port = htons(port);
    sys.address_template.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(sys.socket.get(), reinterpret_cast<const sockaddr*>(&sys.address_template),
             sizeof sys.address_template) != 0)
        return fail_with_errno();

    sys.pending.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (sys.pending.get() < 0)
        return fail_with_errno();
    sys.watch.reset(epoll_create1(EPOLL_CLOEXEC));
    if (sys.watch.get() < 0)
        return fail_with_errno();
    if (!watch_readable(sys.socket.get()) || !watch_readable(sys.pending.get()))
        return fail_with_errno();
    *watch = sys.watch.get();
    return 0;
}

int udp_socket_receive(uint8_t* buffer, int size, uint32_t* sender)
{
    if (sys.socket.get() < 0 || size <= 0)
        return -1;
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    // The host also calls on exceptional conditions, when nothing may be
    // waiting: never block here.
    ssize_t length = recvfrom(sys.socket.get(), buffer, size_t(size), MSG_DONTWAIT,
                              reinterpret_cast<sockaddr*>(&from), &from_length);
    if (length < 0)
        return -1;
    *sender = ntohl(from.sin_addr.s_addr);
    return int(length);
}

int udp_socket_send(uint32_t address, const void* data, size_t length)
{
    if (sys.socket.get() < 0)
        return EBADF;
    sockaddr_in to = sys.address_template;
    to.sin_addr.s_addr = htonl(address);
    if (sendto(sys.socket.get(), data, length, 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) < 0) {
        // A failure must never read as success to the caller.
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

void udp_socket_set_pending(int pending)
{
    if (sys.pending.get() < 0 || (pending != 0) == sys.pending_raised)
        return;
    uint64_t value = 1;
    ssize_t done = pending ? write(sys.pending.get(), &value, sizeof value)
                           : read(sys.pending.get(), &value, sizeof value);
    if (done == ssize_t(sizeof value))
        sys.pending_raised = pending != 0;
}
