// Plain UDP sockets in the test network (see test_socket.h).
#include "test_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

TestSocket::TestSocket(TestNetwork& net, const std::string& ns, uint16_t port, uint32_t address)
{
    auto inside = net.enter(ns);
    if (!inside.ok()) {
        error_ = "cannot enter " + ns;
        return;
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error_ = std::string("test socket: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return;
    }
    fd_ = fd;
}

TestSocket::~TestSocket()
{
    if (fd_ >= 0)
        close(fd_);
}

bool TestSocket::send_to(uint32_t address, const std::vector<uint8_t>& bytes, uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    return fd_ >= 0 && sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                              sizeof to) == ssize_t(bytes.size());
}

bool TestSocket::receive(TestDatagram* out, int wait_ms)
{
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, wait_ms) <= 0)
        return false;
    std::vector<uint8_t> buffer(TEST_SOCKET_MAX_DATAGRAM);
    sockaddr_in from{};
    socklen_t from_len = sizeof from;
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &from_len);
    if (n < 0)
        return false;
    buffer.resize(size_t(n));
    out->from = ntohl(from.sin_addr.s_addr);
    out->port = ntohs(from.sin_port);
    out->bytes = std::move(buffer);
    return true;
}

std::vector<TestDatagram> TestSocket::drain(int wait_ms)
{
    std::vector<TestDatagram> all;
    TestDatagram one;
    while (all.size() < 10000 && receive(&one, wait_ms))
        all.push_back(one);
    return all;
}

bool TestSocket::quiet(int wait_ms)
{
    return drain(wait_ms).empty();
}

std::vector<uint8_t> test_frame(uint16_t code, uint16_t sequence,
                                const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> bytes(4 + payload.size());
    bytes[0] = uint8_t(code >> 8);
    bytes[1] = uint8_t(code);
    bytes[2] = uint8_t(sequence >> 8);
    bytes[3] = uint8_t(sequence);
    std::copy(payload.begin(), payload.end(), bytes.begin() + 4);
    return bytes;
}

uint16_t test_frame_code(const std::vector<uint8_t>& bytes)
{
    return bytes.size() < 2 ? 0 : uint16_t(bytes[0] << 8 | bytes[1]);
}

uint16_t test_frame_sequence(const std::vector<uint8_t>& bytes)
{
    return bytes.size() < 4 ? 0 : uint16_t(bytes[2] << 8 | bytes[3]);
}

std::vector<uint8_t> test_frame_payload(const std::vector<uint8_t>& bytes)
{
    return bytes.size() <= 4 ? std::vector<uint8_t>{}
                             : std::vector<uint8_t>(bytes.begin() + 4, bytes.end());
}

std::vector<uint8_t> test_frame_ack(uint16_t sequence)
{
    return test_frame(0xFF00, 0, {uint8_t(sequence >> 8), uint8_t(sequence)});
}
