// Shared fixture of the engine's unit tests: the engine in-process over the
// in-process datagram network (fake_udp.h), fake host services with virtual
// ticks, and two routers played by peers of that network (router 1 is the
// one the tests open, router 2 a stranger). Every datagram a router sends is
// written out byte by byte in the test. Nothing waits and nothing needs
// privileges: a test takes milliseconds.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine.h"
#include "fake_host.h"
#include "fake_udp.h"
#include "highstate.h"
#include "myutil.h"
#include "record_defaults.h"

using Bytes = std::vector<uint8_t>;

// A router's side of the network in the engine's tests.
using RouterSocket = FakeUdpPeer;

constexpr uint16_t T_SCAN_REQUEST = 0xF031;
constexpr uint16_t T_STATE_QUERY = 0xF032;
constexpr uint16_t T_OPEN_REQUEST = 0x1001;
constexpr uint16_t T_PASSWORD_REPLY = 0x3004;
constexpr uint16_t T_CLOSE_REQUEST = 0x1003;
constexpr uint16_t T_ACK = 0xFF00;

constexpr uint16_t T_SCAN_REPLY = 0x3031;
constexpr uint16_t T_STATE_REPLY = 0x3032;
constexpr uint16_t T_PASSWORD_REQUEST = 0x1004;
constexpr uint16_t T_OPEN_REPLY = 0x3001;
constexpr uint16_t T_CLOSE_REPLY = 0x3003;
constexpr uint16_t T_SET_PASSWORD_REPLY = 0x3005;
constexpr uint16_t T_GET_ENTRY_REPLY = 0x3011;
constexpr uint16_t T_GET_ENTRY_REQUEST = 0x1011;
constexpr uint16_t T_GET_ACCOUNTING_REPLY = 0x3012;
constexpr uint16_t T_PUT_ENTRY_REPLY = 0x3017;
constexpr uint16_t T_PUT_ROUTER_DATA_REPLY = 0x3018;
constexpr uint16_t T_LINEMON_DATA = 0x0F01;
constexpr uint16_t T_FW_DOWNLOAD_REPLY = 0x0011;
constexpr uint16_t T_ISDN_CLOSE_REQUEST = 0x1014;

// Every record the engine handed to a callback, copied.
struct Seen {
    std::vector<ScanAnswer> scans;
    std::vector<RouterState> states;
    std::vector<OpenReply> opens;
};

inline Seen& seen()
{
    static Seen record;
    return record;
}

inline void on_scan(ScanAnswer* a)
{
    seen().scans.push_back(*a);
}
inline void on_state(RouterState* s)
{
    seen().states.push_back(*s);
}
inline void on_open(OpenReply* r)
{
    seen().opens.push_back(*r);
}

// n zero bytes.
inline Bytes zeros(int n)
{
    return Bytes(size_t(n), 0);
}

class EngineFixture : public ::testing::Test {
public:
    std::unique_ptr<RouterSocket> r1;
    std::unique_ptr<RouterSocket> r2;

    void SetUp() override
    {
        fake_host_reset();
        fake_udp_reset();
        seen() = Seen{};
        myutil_fill_default_structs();
        myutil_set_config(TEST_NET_WORKSTATION_IP, TEST_NET_NETMASK, 0);
        ASSERT_EQ(highstate_init(main_error, TEST_NET_BROADCAST_IP), 0);
        r1 = std::make_unique<RouterSocket>(test_net_router_ip(1));
        r2 = std::make_unique<RouterSocket>(test_net_router_ip(2));
    }

    uint32_t ip1() const { return test_net_router_ip(1); }
    uint32_t ip2() const { return test_net_router_ip(2); }

    // A router sends a datagram; the engine reads what arrived.
    void send(RouterSocket& r, uint16_t code, const Bytes& payload, uint16_t seq = 0)
    {
        ASSERT_TRUE(r.send_to(TEST_NET_WORKSTATION_IP, test_frame(code, seq, payload)));
        fake_host_pump(0);
    }

    // The next datagram the engine sent to the router, past the engine's
    // acknowledgements of what the router sent; it must have `code`.
    TestDatagram expect(RouterSocket& r, uint16_t code)
    {
        TestDatagram got;
        do {
            if (!r.receive(&got)) {
                ADD_FAILURE() << "nothing arrived, expected code " << std::hex << code;
                return got;
            }
        } while (code != T_ACK && test_frame_code(got.bytes) == T_ACK);
        EXPECT_EQ(test_frame_code(got.bytes), code);
        return got;
    }

    // Fine ticks pass (ticks included, at most `max_fine`) until the engine
    // sends the router something other than an acknowledgement; the number
    // of fine ticks that passed goes to `waited` (may be null).
    TestDatagram await_sent(RouterSocket& r, int max_fine = 12 * UDP_FINE_PER_TICK,
                            int* waited = nullptr)
    {
        TestDatagram got;
        for (int fine = 0; fine <= max_fine; ++fine) {
            if (fine > 0) {
                // As fake_host_tick: the tick falls on every fourth fine tick.
                fake_host_fine_tick(1);
                if (fine % UDP_FINE_PER_TICK == 0 && fake_host_tick_callback() != nullptr)
                    fake_host_tick_callback()();
            }
            while (r.receive(&got)) {
                if (test_frame_code(got.bytes) != T_ACK) {
                    if (waited != nullptr)
                        *waited = fine;
                    return got;
                }
            }
        }
        ADD_FAILURE() << "nothing sent within " << max_fine << " fine ticks";
        return TestDatagram{};
    }

    // The router acknowledges a numbered datagram the engine sent.
    void ack(RouterSocket& r, const TestDatagram& d)
    {
        ASSERT_NE(test_frame_sequence(d.bytes), 0);
        ASSERT_TRUE(
            r.send_to(TEST_NET_WORKSTATION_IP, test_frame_ack(test_frame_sequence(d.bytes))));
        fake_host_pump(0);
    }

    // Expects a numbered request of `code` at router 1 and acknowledges it.
    TestDatagram expect_acked(uint16_t code)
    {
        TestDatagram got = expect(*r1, code);
        if (test_frame_sequence(got.bytes) != 0)
            ack(*r1, got);
        return got;
    }

    // State opening: router 1 has the open request and has acknowledged it.
    void reach_opening()
    {
        ASSERT_GT(highstate_open_router(on_open, ip1()), 0);
        expect_acked(T_OPEN_REQUEST);
        ASSERT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
    }

    // State password_asked: router 1 asked with challenge 0x1234 under number 7.
    void reach_password_asked()
    {
        reach_opening();
        send(*r1, T_PASSWORD_REQUEST, {0x12, 0x34}, 7);
        ASSERT_EQ(highstate_get_state(), HIGHSTATE_PASSWORD_ASKED);
    }

    // State connected: router 1 accepted with 2 line targets, 3 routes, 4 filters.
    void reach_connected()
    {
        reach_opening();
        send(*r1, T_OPEN_REPLY, {0, 0, 0, 2, 0, 3, 0, 4});
        ASSERT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    }

    // `n` ticks of a router 1 that acknowledges every numbered message it
    // gets within a fine tick and answers none; what the engine sent it,
    // acknowledgements of its own left out.
    std::vector<TestDatagram> tick_acking(int n)
    {
        std::vector<TestDatagram> sent;
        for (int i = 0; i < n; ++i) {
            for (int fine = 1; fine <= UDP_FINE_PER_TICK; ++fine) {
                fake_host_fine_tick(1);
                if (fine == UDP_FINE_PER_TICK && fake_host_tick_callback() != nullptr)
                    fake_host_tick_callback()();
                for (const TestDatagram& d : r1->drain(0)) {
                    if (test_frame_code(d.bytes) == T_ACK)
                        continue;
                    if (test_frame_sequence(d.bytes) != 0)
                        ack(*r1, d);
                    sent.push_back(d);
                }
            }
        }
        return sent;
    }

    // What tick_acking saw go out while a reply was overdue: the request
    // asked again, and the entry reads (`read`) sent between two asks.
    struct Asks {
        std::vector<TestDatagram> asks;
        size_t reads = 0;
        bool read_before_each_later_ask = true;
    };
    static Asks asks_of(const std::vector<TestDatagram>& sent, const Bytes& read)
    {
        Asks out;
        bool after_read = false;
        for (const TestDatagram& d : sent) {
            if (test_frame_code(d.bytes) == T_GET_ENTRY_REQUEST &&
                test_frame_payload(d.bytes) == read) {
                ++out.reads;
                after_read = true;
                continue;
            }
            if (!out.asks.empty() && !after_read)
                out.read_before_each_later_ask = false;
            out.asks.push_back(d);
            after_read = false;
        }
        return out;
    }

    // Forgets what the routers received so far and what the callbacks saw.
    void settle()
    {
        r1->drain();
        r2->drain();
        seen() = Seen{};
        fake_host_clear_errors();
    }

    // The router receives CLOSE_REQUEST carrying `code`, unnumbered.
    void expect_close_with(RouterSocket& r, int code)
    {
        TestDatagram got = expect(r, T_CLOSE_REQUEST);
        EXPECT_EQ(test_frame_sequence(got.bytes), 0);
        EXPECT_EQ(test_frame_payload(got.bytes), (Bytes{uint8_t(code >> 8), uint8_t(code)}));
    }

    std::vector<int> errors() const { return fake_host_errors(); }
};
