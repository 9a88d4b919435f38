#include "endpoint.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

Endpoint::~Endpoint()
{
    if (fd_ >= 0)
        close(fd_);
}

bool Endpoint::open(std::string* why)
{
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        *why = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int on = 1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(ENDPOINT_PORT);
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0 ||
        bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        *why = "port " + std::to_string(ENDPOINT_PORT) + ": " + std::strerror(errno);
        close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool Endpoint::receive(EndpointDatagram* d)
{
    uint8_t buf[WIRE_MAX_DATAGRAM];
    alignas(cmsghdr) char control[256];
    sockaddr_in from{};
    iovec iov{buf, sizeof buf};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = recvmsg(fd_, &msg, MSG_DONTWAIT);
    if (n < 0)
        return false;
    d->from = ntohl(from.sin_addr.s_addr);
    d->port = ntohs(from.sin_port);
    d->to = 0;
    d->ifindex = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            d->to = ntohl(info.ipi_addr.s_addr);
            d->ifindex = info.ipi_ifindex;
        }
    }
    d->bytes.assign(buf, buf + n);
    return true;
}

int Endpoint::send(uint32_t from, uint32_t to, const Bytes& bytes)
{
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(ENDPOINT_PORT);
    dst.sin_addr.s_addr = htonl(to);
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    iovec iov{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    msghdr msg{};
    msg.msg_name = &dst;
    msg.msg_namelen = sizeof dst;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(from);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (sendmsg(fd_, &msg, 0) < 0)
        return errno;
    return 0;
}
