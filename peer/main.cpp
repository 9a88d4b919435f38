// router-peer: simulated routers for the tests and the demonstration.
//
//   router-peer [--script FILE] [-e LINE]... [--log FILE] [--state FILE]
//               [--image-dir DIR]
//
// The script (and every -e line after it) says which routers to simulate;
// see script.h. Once the socket is bound the program prints
// "READY port=1532 routers=N" on standard output. Every datagram received
// and sent is logged as one line, events as lines of their own:
//
//   RX from=10.77.0.1 to=10.77.0.255 code=f031 seq=0 len=0 data=
//   TX from=10.77.0.2 to=10.77.0.1 code=3031 seq=0 len=16 data=0000...
//   RX from=10.77.0.1 to=10.77.0.2 short len=3 data=100100
//   EV r1 password ok
//
// The state file is written after every change and on SIGTERM/SIGINT/SIGHUP,
// which end the program with status 0. Status 1: a bad command line, script
// or socket.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "endpoint.h"
#include "netif.h"
#include "router.h"
#include "script.h"
#include "wire.h"

namespace {

constexpr int SECOND_MS = 1000;

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Writes a file through a temporary name, so readers never see half of it.
bool write_whole(const std::string& path, const char* data, size_t size)
{
    std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

class Peer : public PeerHost {
public:
    std::vector<PeerRouter> routers;  // never resized after start: timers hold pointers
    std::string interface;
    std::string state_path;
    std::string image_dir;
    FILE* log = stdout;
    Endpoint endpoint;
    std::multimap<int64_t, std::function<void()>> timers;
    bool dirty = false;

    void line(const std::string& text)
    {
        std::fputs(text.c_str(), log);
        std::fputc('\n', log);
        std::fflush(log);
    }

    void send(uint32_t from, uint32_t to, const Bytes& datagram, int delay_ms) override
    {
        if (delay_ms > 0) {
            after(delay_ms, [this, from, to, datagram] { send(from, to, datagram, 0); });
            return;
        }
        WireReader r{datagram.data(), datagram.size()};
        line("TX from=" + wire_dotted(from) + " to=" + wire_dotted(to) + " code=" + hex(r.u16(0)) +
             " seq=" + std::to_string(r.u16(2)) +
             " len=" + std::to_string(datagram.size() - WIRE_HEADER_LEN) + " data=" +
             wire_hex(datagram.data() + WIRE_HEADER_LEN, datagram.size() - WIRE_HEADER_LEN));
        int err = endpoint.send(from, to, datagram);
        if (err != 0)
            line("EV - send failed: " + std::string(std::strerror(err)));
    }

    void event(const PeerRouter& r, const std::string& text) override
    {
        line("EV " + r.name + " " + text);
    }

    void changed() override { dirty = true; }

    void after(int delay_ms, std::function<void()> fn) override
    {
        timers.emplace(now_ms() + delay_ms, std::move(fn));
    }

    bool ensure_address(uint32_t address, int ifindex) override
    {
        std::string dev = netif_name_of(ifindex);
        if (dev.empty())
            dev = interface.empty() ? netif_interface_for(address) : interface;
        std::string why;
        if (netif_add(address, dev, &why))
            return true;
        line("EV - " + why);
        return false;
    }

    std::string save_image(const PeerRouter& r) override
    {
        std::string path =
            (image_dir.empty() ? std::string(".") : image_dir) + "/" + r.name + ".img";
        if (write_whole(path, reinterpret_cast<const char*>(r.image.data()), r.image.size()))
            return path;
        line("EV " + r.name + " cannot write " + path);
        return "";
    }

    static std::string hex(uint16_t code)
    {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04x", code);
        return buf;
    }

    void write_state()
    {
        dirty = false;
        if (state_path.empty())
            return;
        std::vector<const PeerRouter*> list;
        for (const PeerRouter& r : routers)
            list.push_back(&r);
        std::string text = script_format_state(list);
        if (!write_whole(state_path, text.data(), text.size()))
            line("EV - cannot write " + state_path);
    }

    void receive(const EndpointDatagram& d)
    {
        std::string where = "from=" + wire_dotted(d.from) + " to=" + wire_dotted(d.to);
        if (d.bytes.size() < WIRE_HEADER_LEN) {
            line("RX " + where + " short len=" + std::to_string(d.bytes.size()) +
                 " data=" + wire_hex(d.bytes.data(), d.bytes.size()));
            return;
        }
        WireReader r{d.bytes.data(), d.bytes.size()};
        PeerInput in{d.from,
                     d.to,
                     d.ifindex,
                     r.u16(0),
                     r.u16(2),
                     d.bytes.data() + WIRE_HEADER_LEN,
                     d.bytes.size() - WIRE_HEADER_LEN};
        line("RX " + where + " code=" + hex(in.code) + " seq=" + std::to_string(in.seq) +
             " len=" + std::to_string(in.len) + " data=" + wire_hex(in.payload, in.len));
        bool owned = false;
        for (PeerRouter& router : routers) {
            if (router_owns(router, d.to)) {
                owned = true;
                router_receive(router, *this, in);
                break;
            }
        }
        if (owned)
            return;
        // Not one router's own address: a broadcast reaches them all; a
        // local address that no router answers on reaches none.
        if (d.to != ROUTER_BROADCAST && netif_is_local(d.to))
            return;
        for (PeerRouter& router : routers)
            router_receive(router, *this, in);
    }

    void run_due_timers()
    {
        int64_t now = now_ms();
        while (!timers.empty() && timers.begin()->first <= now) {
            auto fn = std::move(timers.begin()->second);
            timers.erase(timers.begin());
            fn();
        }
    }

    void second()
    {
        for (PeerRouter& r : routers)
            router_second(r);
        after(SECOND_MS, [this] { second(); });
    }
};

bool read_file(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: router-peer [--script FILE] [-e LINE]... [--log FILE] [--state FILE] "
                 "[--image-dir DIR]\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Peer peer;
    std::string script_text, log_path;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc)
            return usage();
        std::string v = argv[++i];
        if (a == "--script") {
            std::string t;
            if (!read_file(v, &t)) {
                std::fprintf(stderr, "router-peer: cannot read %s\n", v.c_str());
                return 1;
            }
            script_text += t + "\n";
        } else if (a == "-e") {
            script_text += v + "\n";
        } else if (a == "--log") {
            log_path = v;
        } else if (a == "--state") {
            peer.state_path = v;
        } else if (a == "--image-dir") {
            peer.image_dir = v;
        } else {
            return usage();
        }
    }
    PeerScript script;
    std::string error;
    if (!script_parse(script_text, &script, &error)) {
        std::fprintf(stderr, "router-peer: script %s\n", error.c_str());
        return 1;
    }
    if (!log_path.empty()) {
        peer.log = std::fopen(log_path.c_str(), "a");
        if (!peer.log) {
            std::fprintf(stderr, "router-peer: cannot open %s\n", log_path.c_str());
            return 1;
        }
    }
    peer.interface = script.interface;
    peer.routers = script.routers;

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int sfd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::vector<std::pair<uint32_t, std::string>> addresses;
    for (PeerRouter& r : peer.routers) {
        router_start(r);
        addresses.emplace_back(
            r.address, peer.interface.empty() ? netif_interface_for(r.address) : peer.interface);
    }
    std::string why;
    if (!netif_add_all(addresses, &why)) {
        std::fprintf(stderr, "router-peer: %s\n", why.c_str());
        return 1;
    }
    if (!peer.endpoint.open(&error)) {
        std::fprintf(stderr, "router-peer: %s\n", error.c_str());
        return 1;
    }
    peer.write_state();
    peer.after(SECOND_MS, [&peer] { peer.second(); });
    std::printf("READY port=%u routers=%zu\n", ENDPOINT_PORT, peer.routers.size());
    std::fflush(stdout);
    for (PeerRouter& r : peer.routers)
        peer.event(r, "up address=" + wire_dotted(r.address) + " hw=" + wire_hw_text(r.hw) +
                          (r.configured ? "" : " unconfigured"));

    for (;;) {
        int64_t wait = -1;
        if (!peer.timers.empty())
            wait = std::max<int64_t>(0, peer.timers.begin()->first - now_ms());
        pollfd fds[2] = {{peer.endpoint.descriptor(), POLLIN, 0}, {sfd, POLLIN, 0}};
        int n = poll(fds, sfd >= 0 ? 2 : 1, static_cast<int>(std::min<int64_t>(wait, 60000)));
        if (n < 0 && errno != EINTR)
            break;
        if (sfd >= 0 && (fds[1].revents & POLLIN)) {
            signalfd_siginfo info;
            if (read(sfd, &info, sizeof info) > 0) {
                peer.line("EV - stopped by signal " + std::to_string(info.ssi_signo));
                break;
            }
        }
        if (fds[0].revents & (POLLIN | POLLERR)) {
            EndpointDatagram d;
            while (peer.endpoint.receive(&d))
                peer.receive(d);
        }
        peer.run_due_timers();
        if (peer.dirty)
            peer.write_state();
    }
    peer.write_state();
    if (peer.log != stdout)
        std::fclose(peer.log);
    return 0;
}
