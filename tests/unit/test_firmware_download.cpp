// Firmware download: chunks, progress, the start command, the announcement
// that ends it and its time-outs in virtual ticks; loading, patching and the
// reset in front of a download with tables.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "engine_fixture.h"
#include "firmware_fixture.h"
#include "temp_dir.h"
#include "firmware_image.h"
#include "list.h"

namespace {

constexpr uint16_t T_FW_DOWNLOAD_REQUEST = 0x0001;
constexpr uint16_t T_FW_DATA = 0x0002;
constexpr uint16_t T_FW_START = 0x0003;
constexpr uint16_t T_RESET_REQUEST = 0x0004;

const uint8_t kHw1[6] = {0x00, 0xA0, 0xF9, 0x01, 0x02, 0x03};

// What the download's callbacks saw.
std::vector<int>& progress_seen()
{
    static std::vector<int> values;
    return values;
}
void on_progress(int percent)
{
    progress_seen().push_back(percent);
}
void on_done(ScanAnswer* a)
{
    seen().scans.push_back(*a);
}

Bytes be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

// SCAN_REPLY of router 1 under `address` (0: without configuration).
Bytes announce(uint32_t address)
{
    Bytes p(16, 0x00);
    std::memcpy(p.data() + 2, kHw1, 6);
    Bytes a = be32(address);
    std::copy(a.begin(), a.end(), p.begin() + 8);
    return p;
}

// An image of `size` bytes whose every byte tells its offset apart.
FirmwareImage* small_image(size_t size)
{
    auto* image = static_cast<FirmwareImage*>(std::malloc(sizeof(FirmwareImage)));
    image->data = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    for (size_t i = 0; i < size; ++i)
        image->data[i] = uint8_t(i * 7 + i / 251);
    image->size = int32_t(size);
    return image;
}

class FirmwareDownload : public EngineFixture {
public:
    void SetUp() override
    {
        EngineFixture::SetUp();
        progress_seen().clear();
    }

    // The broadcast request for router 1's hardware address and `address`.
    void expect_request(RouterSocket& r, uint32_t address)
    {
        TestDatagram got = expect(r, T_FW_DOWNLOAD_REQUEST);
        EXPECT_EQ(test_frame_sequence(got.bytes), 0);
        Bytes want(kHw1, kHw1 + 6);
        Bytes a = be32(address);
        want.insert(want.end(), a.begin(), a.end());
        EXPECT_EQ(test_frame_payload(got.bytes), want);
    }

    // Receives and acknowledges every chunk at `r` up to the start command;
    // returns the image bytes of each chunk and checks their offsets.
    std::vector<Bytes> take_chunks(RouterSocket& r, const FirmwareImage* image)
    {
        std::vector<Bytes> chunks;
        uint32_t offset = 0;
        for (;;) {
            TestDatagram got;
            do {
                if (!r.receive(&got)) {
                    ADD_FAILURE() << "download stopped after " << chunks.size() << " chunks";
                    return chunks;
                }
            } while (test_frame_code(got.bytes) == T_ACK);
            if (test_frame_code(got.bytes) == T_FW_START) {
                EXPECT_EQ(test_frame_sequence(got.bytes), 0);
                EXPECT_TRUE(test_frame_payload(got.bytes).empty());
                return chunks;
            }
            EXPECT_EQ(test_frame_code(got.bytes), T_FW_DATA);
            Bytes p = test_frame_payload(got.bytes);
            if (p.size() < 4) {
                ADD_FAILURE() << "chunk without its offset";
                return chunks;
            }
            EXPECT_EQ(Bytes(p.begin(), p.begin() + 4), be32(offset));
            Bytes data(p.begin() + 4, p.end());
            EXPECT_TRUE(offset + data.size() <= size_t(image->size) &&
                        std::equal(data.begin(), data.end(), image->data + offset))
                << "chunk at " << offset;
            offset += uint32_t(data.size());
            chunks.push_back(data);
            ack(r, got);
        }
    }

    // A download of an image that router 1 asks for, takes and starts.
    void run_to_start(FirmwareImage* image)
    {
        highstate_firmware_download(on_done, image, kHw1, ip1(), on_progress);
        expect_request(*r1, ip1());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_REQUESTED);
        send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
        take_chunks(*r1, image);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_RESTARTING);
    }
};

// A router that acknowledges every chunk a second and a half after it
// arrives: once its time is known, no chunk goes out twice; only the first,
// sent before anything was measured, is repeated.
TEST_F(FirmwareDownload, ASlowlyAcknowledgingRouterGetsEachChunkOnce)
{
    FirmwareImage* image = small_image(20 * 500);
    highstate_firmware_download(on_done, image, kHw1, ip1(), on_progress);
    expect_request(*r1, ip1());
    send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
    constexpr int ACK_FINE = 6;    // 1.5 s
    std::map<uint16_t, int> sent;  // number: transmissions
    std::multimap<int, uint16_t> acks_due;
    int now = 0;
    while (highstate_get_state() == HIGHSTATE_FW_SENDING && now < 20 * 60 * UDP_FINE_PER_TICK) {
        for (const TestDatagram& d : r1->drain(0)) {
            if (test_frame_code(d.bytes) != T_FW_DATA)
                continue;
            uint16_t seq = test_frame_sequence(d.bytes);
            ++sent[seq];
            acks_due.emplace(now + ACK_FINE, seq);
        }
        while (!acks_due.empty() && acks_due.begin()->first <= now) {
            ASSERT_TRUE(
                r1->send_to(TEST_NET_WORKSTATION_IP, test_frame_ack(acks_due.begin()->second)));
            fake_host_pump(0);
            acks_due.erase(acks_due.begin());
        }
        ++now;
        fake_host_fine_tick(1);
        if (now % UDP_FINE_PER_TICK == 0)
            fake_host_tick_callback()();
    }
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_RESTARTING);
    EXPECT_EQ(sent.size(), 21u);  // 20 chunks and the one that carries only the offset
    int repeats = 0;
    for (const auto& [seq, times] : sent)
        repeats += times - 1;
    EXPECT_LE(repeats, 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(FirmwareDownload, ChunksAndProgressOfSmallImages)
{
    struct Case {
        size_t size;
        std::vector<size_t> chunks;
        std::vector<int> progress;
    } cases[] = {
        {1500, {500, 500, 500, 0}, {33, 66, 100, 100}},
        {1000, {500, 500, 0}, {50, 100, 100}},
        {499, {499}, {100}},
    };
    for (const Case& c : cases) {
        settle();
        progress_seen().clear();
        FirmwareImage* image = small_image(c.size);
        highstate_firmware_download(on_done, image, kHw1, ip1(), on_progress);
        expect_request(*r1, ip1());
        send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
        std::vector<size_t> sizes;
        for (const Bytes& chunk : take_chunks(*r1, image))
            sizes.push_back(chunk.size());
        EXPECT_EQ(sizes, c.chunks) << c.size;
        EXPECT_EQ(progress_seen(), c.progress) << c.size;

        send(*r1, T_SCAN_REPLY, announce(ip1()));
        ASSERT_EQ(seen().scans.size(), 1u) << c.size;
        EXPECT_EQ(seen().scans[0].router_ip, ip1());
        EXPECT_EQ(0, std::memcmp(seen().scans[0].hw, kHw1, 6));
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        EXPECT_TRUE(errors().empty());
    }
}

TEST_F(FirmwareDownload, ChunksGoToTheAddressTheReplyNames)
{
    // Router 1 answers, but names router 2's address for the image.
    FirmwareImage* image = small_image(700);
    highstate_firmware_download(on_done, image, kHw1, ip1(), nullptr);
    expect_request(*r1, ip1());
    expect_request(*r2, ip1());  // a broadcast: the stranger hears it too
    send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip2()));
    std::vector<Bytes> chunks = take_chunks(*r2, image);
    EXPECT_EQ(chunks.size(), 2u);
    EXPECT_TRUE(r1->quiet());
    // The start went to router 2, whose announcement ends the download.
    send(*r2, T_SCAN_REPLY, announce(ip2()));
    EXPECT_EQ(seen().scans.size(), 1u);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

TEST_F(FirmwareDownload, TimeOutsInVirtualTicks)
{
    struct Case {
        const char* name;
        bool answer;          // the router answers the request
        bool other_announce;  // ... and announces itself under another address
        int ticks_quiet;      // ticks that pass without an error
    } cases[] = {
        {"no reply", false, false, 40},
        {"no announcement", true, false, 80},
        {"announcement under another address", true, true, 80},
    };
    for (const Case& c : cases) {
        settle();
        FirmwareImage* image = small_image(600);
        if (c.answer) {
            run_to_start(image);
            if (c.other_announce)
                send(*r1, T_SCAN_REPLY, announce(ip2()));
        } else {
            highstate_firmware_download(on_done, image, kHw1, ip1(), nullptr);
        }
        fake_host_tick(c.ticks_quiet);
        EXPECT_TRUE(errors().empty()) << c.name;
        EXPECT_NE(highstate_get_state(), HIGHSTATE_IDLE) << c.name;
        fake_host_tick(1);
        EXPECT_EQ(errors(), (std::vector<int>{STATUS_FIRMWARE_FAILED})) << c.name;
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE) << c.name;
        EXPECT_TRUE(seen().scans.empty()) << c.name;
        fake_host_tick(100);
        EXPECT_EQ(errors().size(), 1u) << c.name;
    }
}

// The restarted router's one announcement is lost: the engine asks for it
// every fourth tick, as the reset does, and its answer ends the download.
TEST_F(FirmwareDownload, LostAnnouncementIsMadeGoodByScanning)
{
    run_to_start(small_image(600));
    r1->drain();
    std::vector<int> scans;
    for (int tick = 1; tick <= 12; ++tick) {
        fake_host_tick(1);
        for (const TestDatagram& d : r2->drain()) {
            if (test_frame_code(d.bytes) == T_SCAN_REQUEST)
                scans.push_back(tick);
        }
    }
    EXPECT_EQ(scans, (std::vector<int>{4, 8, 12}));
    send(*r2, T_SCAN_REPLY, announce(ip2()));  // another router answering the scan
    EXPECT_TRUE(seen().scans.empty());
    send(*r1, T_SCAN_REPLY, announce(ip1()));
    ASSERT_EQ(seen().scans.size(), 1u);
    EXPECT_EQ(seen().scans[0].router_ip, ip1());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    // Done: no more scans, no late time-out.
    r2->drain();
    fake_host_tick(100);
    EXPECT_TRUE(r2->quiet());
    EXPECT_TRUE(errors().empty());
}

// The download request and its reply are unnumbered: while the reply has
// not come the request goes again every second tick, and stops with it.
TEST_F(FirmwareDownload, UnansweredRequestIsRepeatedUntilTheReplyComes)
{
    FirmwareImage* image = small_image(600);
    highstate_firmware_download(on_done, image, kHw1, ip1(), nullptr);
    expect_request(*r1, ip1());
    for (int round = 0; round < 3; ++round) {
        fake_host_tick(HIGHSTATE_REASK_TICKS);
        EXPECT_TRUE(r1->quiet()) << "round " << round;
        fake_host_tick(1);
        expect_request(*r1, ip1());
    }
    send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
    take_chunks(*r1, image);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_RESTARTING);
    fake_host_tick(3);
    for (const TestDatagram& d : r1->drain())
        EXPECT_NE(test_frame_code(d.bytes), T_FW_DOWNLOAD_REQUEST);
    EXPECT_TRUE(errors().empty());
}

// The start command is unnumbered too: a router still silent after the
// first scan may never have had it, so it goes again before every later
// scan, to the address that took the chunks.
TEST_F(FirmwareDownload, LostStartCommandIsSentAgainAfterASilentScan)
{
    run_to_start(small_image(600));
    r1->drain();
    std::vector<int> starts;
    for (int tick = 1; tick <= 12; ++tick) {
        fake_host_tick(1);
        for (const TestDatagram& d : r1->drain()) {
            if (test_frame_code(d.bytes) == T_FW_START) {
                EXPECT_EQ(test_frame_sequence(d.bytes), 0);
                starts.push_back(tick);
            }
        }
    }
    EXPECT_EQ(starts, (std::vector<int>{8, 12}));
    send(*r1, T_SCAN_REPLY, announce(ip1()));
    ASSERT_EQ(seen().scans.size(), 1u);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    r1->drain();
    fake_host_tick(20);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
}

TEST_F(FirmwareDownload, AnEarlierDownloadsTimerNeverReportsInALaterOne)
{
    struct Case {
        const char* name;
        bool second_started;  // the second download reaches its start command
        int own_quiet;        // its own ticks without an error
    } cases[] = {
        {"second awaits its reply", false, 40},
        {"second awaits its announcement", true, 80},
    };
    for (const Case& c : cases) {
        settle();
        // The first download ends at once, with both of its time-outs ahead.
        run_to_start(small_image(100));
        send(*r1, T_SCAN_REPLY, announce(ip1()));
        ASSERT_EQ(seen().scans.size(), 1u);
        fake_host_tick(5);

        FirmwareImage* second = small_image(100);
        if (c.second_started) {
            run_to_start(second);
        } else {
            highstate_firmware_download(on_done, second, kHw1, ip1(), nullptr);
        }
        fake_host_tick(c.own_quiet);
        EXPECT_TRUE(errors().empty()) << c.name;
        fake_host_tick(1);
        EXPECT_EQ(errors(), (std::vector<int>{STATUS_FIRMWARE_FAILED})) << c.name;
    }
}

TEST_F(FirmwareDownload, LostChunkEndsThroughTheTransport)
{
    FirmwareImage* image = small_image(1200);
    highstate_firmware_download(on_done, image, kHw1, ip1(), nullptr);
    expect_request(*r1, ip1());
    send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
    expect(*r1, T_FW_DATA);  // never acknowledged
    fake_host_tick(12);
    EXPECT_EQ(errors(), (std::vector<int>{LOWSTATE_NO_ACK}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    fake_host_tick(100);
    EXPECT_EQ(errors().size(), 1u);
}

// ------------------------------------------- loading, patching, reset ---

// A data directory with firmware images, QORVEL_PATH pointing at it.
class FirmwareFiles : public FirmwareDownload {
public:
    std::unique_ptr<TempDir> data_;
    std::string dir;

    void SetUp() override
    {
        FirmwareDownload::SetUp();
        data_ = std::make_unique<TempDir>("fwdown", TempDir::DATA_DIR);
        dir = data_->path();
        ASSERT_FALSE(dir.empty());
        ASSERT_NE(firmware_fixture_write(dir, 1, "2.05"), "");
        FirmwareFixtureLayout small;
        small.size = FW_FIXTURE_SIZE - 1;
        ASSERT_NE(firmware_fixture_write(dir, 1, "short", small), "");
    }
    void TearDown() override
    {
        data_.reset();
        EngineFixture::TearDown();
    }

    RouterSettings settings(const char* firmware, uint32_t address)
    {
        RouterSettings s{};
        myutil_copy_text(s.name, test_net_dotted(address).c_str());
        myutil_copy_text(s.netmask, "255.255.255.0");
        s.isdn_mode = 1;
        myutil_copy_text(s.firmware, firmware);
        return s;
    }

    // The first chunk carries the start of the image: with the fixture's
    // patch area at offset 0, the router record.
    void expect_patched_first_chunk(RouterSocket& r, uint16_t sequence, uint32_t address)
    {
        TestDatagram got = expect(r, T_FW_DATA);
        EXPECT_EQ(test_frame_sequence(got.bytes), sequence);
        Bytes p = test_frame_payload(got.bytes);
        ASSERT_EQ(p.size(), 504u);
        // Offset 0, then magic, checksum, type 1, length 70, index 0.
        EXPECT_EQ(Bytes(p.begin(), p.begin() + 6), (Bytes{0, 0, 0, 0, 0xEF, 0xBE}));
        EXPECT_EQ(Bytes(p.begin() + 8, p.begin() + 14), (Bytes{0x01, 0x00, 0x46, 0x00, 0, 0}));
        EXPECT_EQ(Bytes(p.begin() + 14, p.begin() + 18), record_address(address));
    }

    // The router address in the router record, little-endian.
    static Bytes record_address(uint32_t address)
    {
        return {uint8_t(address), uint8_t(address >> 8), uint8_t(address >> 16),
                uint8_t(address >> 24)};
    }
};

TEST_F(FirmwareFiles, ImagesThatCannotBeUsedSendNothing)
{
    struct Case {
        const char* name;
        const char* firmware;
        bool tables;
        bool open;
    } cases[] = {
        {"missing file", "9.99", false, true},
        {"image too small to patch", "short", false, true},
        {"missing file, with tables", "9.99", true, true},
        {"tables but no open router", "2.05", true, false},
    };
    for (const Case& c : cases) {
        settle();
        if (c.open) {
            reach_connected();
            settle();
        }
        RouterSettings s = settings(c.firmware, ip1());
        ListObject* empty = c.tables ? list_object_instance : nullptr;
        EXPECT_EQ(interface_firmwaredownload(kHw1, &s, empty, empty, empty, on_done, on_progress),
                  0)
            << c.name;
        EXPECT_TRUE(r1->quiet()) << c.name;
        EXPECT_TRUE(r2->quiet()) << c.name;
        EXPECT_EQ(highstate_get_state(), c.open ? HIGHSTATE_CONNECTED : HIGHSTATE_IDLE) << c.name;
        if (c.open)
            highstate_close_router();
        fake_host_tick(130);
        EXPECT_TRUE(errors().empty()) << c.name;
        EXPECT_TRUE(progress_seen().empty()) << c.name;
    }
}

TEST_F(FirmwareFiles, WithoutTablesFromAnOpenRouterTheLayerIsDroppedFirst)
{
    reach_connected();  // the open request took sequence number 1
    settle();
    // The router is to come back as 10.77.0.3: its answer comes from there,
    // which the layer's filter would drop while still connected to 10.77.0.2.
    RouterSettings s = settings("2.05", ip2());
    ASSERT_EQ(interface_firmwaredownload(kHw1, &s, nullptr, nullptr, nullptr, on_done, on_progress),
              1);
    expect_request(*r1, ip2());
    expect_request(*r2, ip2());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_REQUESTED);
    send(*r2, T_FW_DOWNLOAD_REPLY, be32(ip2()));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_SENDING);
    // Numbering starts again with the new connection.
    expect_patched_first_chunk(*r2, 1, ip2());
}

// The reset in front of the download cannot be sent: its failure is the
// one report, and nothing of the download follows.
TEST_F(FirmwareFiles, DownloadWhoseResetCannotBeSentEndsWithTheReport)
{
    reach_connected();
    settle();
    RouterSettings s = settings("2.05", ip1());
    ListObject* empty = list_object_instance;
    fake_udp_fail_sends(ENETDOWN);
    EXPECT_EQ(interface_firmwaredownload(kHw1, &s, empty, empty, empty, on_done, on_progress), 1);
    EXPECT_EQ(errors(), (std::vector<int>{ENETDOWN}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    fake_host_tick(130);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(r2->quiet());
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(seen().scans.empty());
    EXPECT_TRUE(progress_seen().empty());
}

// The reset request is unnumbered: a router that answers the first scan
// still configured never had it, so the request goes again before the
// next scan; the router that comes back then carries the download on.
TEST_F(FirmwareFiles, LostResetRequestIsSentAgainAfterTheFirstScan)
{
    reach_connected();
    settle();
    RouterSettings s = settings("2.05", ip1());
    ListObject* empty = list_object_instance;
    ASSERT_EQ(interface_firmwaredownload(kHw1, &s, empty, empty, empty, on_done, on_progress), 1);
    expect(*r1, T_RESET_REQUEST);
    fake_host_tick(4);
    expect(*r1, T_SCAN_REQUEST);               // no second reset yet
    send(*r1, T_SCAN_REPLY, announce(ip1()));  // still configured: not reset
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_RESETTING);
    EXPECT_TRUE(r1->quiet());
    fake_host_tick(4);
    TestDatagram again = expect(*r1, T_RESET_REQUEST);
    EXPECT_EQ(test_frame_sequence(again.bytes), 0);
    expect(*r1, T_SCAN_REQUEST);
    send(*r1, T_SCAN_REPLY, announce(0));
    expect_request(*r1, ip1());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_REQUESTED);
    EXPECT_TRUE(errors().empty());
}

TEST_F(FirmwareFiles, WithTablesTheRouterIsResetFirst)
{
    reach_connected();
    settle();
    RouterSettings s = settings("2.05", ip1());
    ListObject* empty = list_object_instance;
    ASSERT_EQ(interface_firmwaredownload(kHw1, &s, empty, empty, empty, on_done, on_progress), 1);
    TestDatagram reset = expect(*r1, T_RESET_REQUEST);
    EXPECT_EQ(test_frame_sequence(reset.bytes), 0);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_RESETTING);
    EXPECT_TRUE(r1->quiet());

    fake_host_tick(4);
    expect(*r1, T_SCAN_REQUEST);
    send(*r1, T_SCAN_REPLY, announce(0));  // back without configuration
    expect_request(*r1, ip1());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_FW_REQUESTED);
    send(*r1, T_FW_DOWNLOAD_REPLY, be32(ip1()));
    expect_patched_first_chunk(*r1, 1, ip1());
    EXPECT_TRUE(errors().empty());
}

}  // namespace
