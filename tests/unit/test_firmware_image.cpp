// Loading firmware images and patching the configuration records into them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "firmware_fixture.h"
#include "firmware_image.h"
#include "list.h"
#include "myutil.h"
#include "temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ImageDeleter {
    void operator()(FirmwareImage* image) const { file_free_firmware(image); }
};
using ImagePtr = std::unique_ptr<FirmwareImage, ImageDeleter>;

// An image in memory with the fixture's bytes.
ImagePtr make_image(const Bytes& bytes)
{
    auto* image = static_cast<FirmwareImage*>(std::malloc(sizeof(FirmwareImage)));
    image->data = static_cast<uint8_t*>(std::malloc(bytes.size()));
    std::memcpy(image->data, bytes.data(), bytes.size());
    image->size = static_cast<int32_t>(bytes.size());
    return ImagePtr(image);
}

Bytes image_bytes(const FirmwareImage* image)
{
    return Bytes(image->data, image->data + image->size);
}

// The RFC 1071 sum, written apart from the patcher: a record whose checksum
// is right sums, checksum included, to 0xFFFF.
uint16_t ones_complement_sum(const uint8_t* p, size_t n)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < n; i += 2)
        sum += (uint64_t{p[i]} << 8) + (i + 1 < n ? p[i + 1] : 0);
    while (sum > 0xFFFF)
        sum = (sum >> 16) + (sum & 0xFFFF);
    return static_cast<uint16_t>(sum);
}

Proto2Def row_x75 = {"x75", 1, nullptr, 1500, 3, 1, 8, 7};
Proto3Def row_t70 = {"t70nl", 1, nullptr, {0x0102, 0, 0, 0, 0, 0x0A0B}, 8};

RouterSettings sample_settings()
{
    RouterSettings s{};
    myutil_copy_text(s.name, "10.0.0.1");
    myutil_copy_text(s.netmask, "255.255.255.0");
    myutil_copy_text(s.phone, "0891234");
    s.isdn_mode = 1;
    myutil_copy_text(s.firmware, "2.05");
    s.line_type = 1;
    myutil_copy_text(s.password, "geheim");
    s.exclusive = 1;
    return s;
}

LineTarget sample_line(const char* host, int bundling)
{
    LineTarget t{};
    myutil_copy_text(t.host, host);
    myutil_copy_text(t.phone, "0891");
    t.proto2_code = 1;
    t.proto2 = &row_x75;
    t.proto3_code = 1;
    t.proto3 = &row_t70;
    t.timeout = 20;
    t.compression = 1;
    t.bundling = bundling;
    myutil_copy_text(t.send_pair, "bob/pw");
    myutil_copy_text(t.receive_pair, "alice/secret");
    return t;
}

template <typename T>
void append_copy(ListObject* list, const T& element)
{
    auto* copy = static_cast<T*>(myutil_malloc(sizeof(T)));
    *copy = element;
    list->ops->list_append(list, copy);
}

struct ListDeleter {
    void operator()(ListObject* list) const { list->ops->list_destroy(list); }
};
using ListPtr = std::unique_ptr<ListObject, ListDeleter>;

class FirmwareImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        myutil_set_config(0x0A000063u, 0xFFFFFF00u, 0);  // this station: 10.0.0.99
        list_init();
        unsetenv("QORVEL_PATH");
    }
    void TearDown() override { unsetenv("QORVEL_PATH"); }
};

// ---------------------------------------------------------- file names ---

TEST_F(FirmwareImageTest, FileNameFromModeVersionAndDataDirectory)
{
    struct Case {
        const char* dir;  // null: QORVEL_PATH unset
        int mode;
        const char* version;
        std::string want;
    } cases[] = {
        {nullptr, 0, "", "fw_1tr6."},
        {nullptr, 1, "2.05", "fw_dss1.2.05"},
        {nullptr, 7, "2.05", "fw_dss1.2.05"},
        {"/opt/data", 0, "1.0", "/opt/data/fw_1tr6.1.0"},
        {"", 1, "2.05", "fw_dss1.2.05"},                    // an empty value names no directory
        {nullptr, 0, "1234567890AB", "fw_1tr6.123456789"},  // no more than a settings text
    };
    for (const Case& c : cases) {
        if (c.dir != nullptr)
            setenv("QORVEL_PATH", c.dir, 1);
        else
            unsetenv("QORVEL_PATH");
        EXPECT_EQ(file_firmware_path(c.mode, c.version), c.want);
    }
}

TEST_F(FirmwareImageTest, LongDataDirectoryIsNeitherCutNorOverrun)
{
    TempDir tmp("fwimage");
    std::string dir = tmp.path();
    while (dir.size() < 400) {
        dir += "/d123456789abcdef";
        ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    }
    ASSERT_NE(firmware_fixture_write(dir, 1, "2.05"), "");
    setenv("QORVEL_PATH", dir.c_str(), 1);
    std::string path = file_firmware_path(1, "2.05");
    EXPECT_EQ(path, dir + "/fw_dss1.2.05");
    ImagePtr image(file_load_firmware(path.c_str()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size, static_cast<int32_t>(FW_FIXTURE_SIZE));

    // Longer than any path the system takes: refused, not overrun.
    std::string huge(8000, 'x');
    setenv("QORVEL_PATH", ("/" + huge).c_str(), 1);
    EXPECT_EQ(file_load_firmware(file_firmware_path(0, "1").c_str()), nullptr);
}

// -------------------------------------------------------------- loading ---

TEST_F(FirmwareImageTest, LoadsTheWholeFile)
{
    TempDir tmp("fwimage");
    FirmwareFixtureLayout layout;
    layout.size = FW_FIXTURE_SIZE + 123;
    std::string path = firmware_fixture_write(tmp.path(), 0, "3.1", layout);
    ASSERT_NE(path, "");
    ImagePtr image(file_load_firmware(path.c_str()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image_bytes(image.get()), firmware_fixture_bytes(layout));
}

TEST_F(FirmwareImageTest, RefusesWhatIsNoImageFile)
{
    TempDir tmp("fwimage");
    const std::string fifo = tmp.path() + "/fw_1tr6.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Larger than an image's 32-bit size holds; sparse, so it costs nothing.
    const std::string big = tmp.path() + "/fw_1tr6.big";
    int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{1} << 31), 0);
    close(fd);
    const std::string cases[] = {tmp.path() + "/fw_1tr6.none", tmp.path(), fifo, big};
    for (const std::string& path : cases)
        EXPECT_EQ(file_load_firmware(path.c_str()), nullptr) << path;  // and no hang on the FIFO
}

TEST_F(FirmwareImageTest, EmptyFileLoadsButCannotBePatched)
{
    TempDir tmp("fwimage");
    FirmwareFixtureLayout layout;
    layout.size = 0;
    std::string path = firmware_fixture_write(tmp.path(), 0, "0", layout);
    ImagePtr image(file_load_firmware(path.c_str()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size, 0);
    RouterSettings s = sample_settings();
    EXPECT_EQ(firmware_do_patch(image.get(), &s, nullptr, nullptr, nullptr), 0);
}

// ----------------------------------------------------- the patch area ---

TEST_F(FirmwareImageTest, OpenChecksSizeMarkerAndRoom)
{
    struct Case {
        const char* name;
        size_t size;
        uint16_t paragraph;
        bool marker;
        size_t needed;
        int want;
        size_t position;
    } cases[] = {
        {"smallest image", FW_FIXTURE_SIZE, 0x8000, true, 70, FIRMWARE_OPEN_OK, 0},
        {"one paragraph in", FW_FIXTURE_SIZE, 0x8001, true, 70, FIRMWARE_OPEN_OK, 16},
        {"one byte short", FW_FIXTURE_SIZE - 1, 0x8000, true, 70, FIRMWARE_OPEN_TOO_SMALL, 0},
        {"wrong marker", FW_FIXTURE_SIZE, 0x8000, false, 70, FIRMWARE_OPEN_NO_MARKER, 0},
        {"below the base", FW_FIXTURE_SIZE, 0x7FFF, true, 70, FIRMWARE_OPEN_NO_ROOM, 0},
        {"area past the end", FW_FIXTURE_SIZE, 0xFFFF, true, 0, FIRMWARE_OPEN_NO_ROOM, 0},
        {"ends at the end", FW_FIXTURE_SIZE + 70, 0xE000, true, 70, FIRMWARE_OPEN_OK, 0x60000},
        {"one byte too far", FW_FIXTURE_SIZE + 69, 0xE000, true, 70, FIRMWARE_OPEN_NO_ROOM, 0},
    };
    for (const Case& c : cases) {
        FirmwareFixtureLayout layout;
        layout.size = c.size;
        layout.paragraph = c.paragraph;
        layout.marker = c.marker;
        ImagePtr image = make_image(firmware_fixture_bytes(layout));
        FirmwarePatch patch;
        EXPECT_EQ(firmware_open(&patch, image.get(), c.needed), c.want) << c.name;
        if (c.want == FIRMWARE_OPEN_OK) {
            EXPECT_EQ(patch.position, c.position) << c.name;
        }
        firmware_close(&patch);
    }
}

TEST_F(FirmwareImageTest, PatchLandsAtTheAreaOrLeavesTheImageUntouched)
{
    LineTarget line = sample_line("10.0.0.7", 0);
    RouteEntry route{};
    myutil_copy_text(route.mask, "255.0.0.0");
    ListPtr lines(listhelp_new_line_list());
    append_copy(lines.get(), line);
    ListPtr routes(listhelp_new_route_list());
    append_copy(routes.get(), route);
    const size_t with_tables = 70 + 164 + 28;

    struct Case {
        const char* name;
        size_t size;
        uint16_t paragraph;
        bool tables;
        int want;
        size_t at;
    } cases[] = {
        {"records at 0", FW_FIXTURE_SIZE, 0x8000, false, 1, 0},
        {"records at 16", FW_FIXTURE_SIZE, 0x8001, true, 1, 16},
        {"pointer below the base", FW_FIXTURE_SIZE, 0x7FF0, false, 0, 0},
        {"router record to the last byte", FW_FIXTURE_SIZE + 70, 0xE000, false, 1, 0x60000},
        {"router record one byte too far", FW_FIXTURE_SIZE + 69, 0xE000, false, 0, 0},
        {"tables to the last byte", FW_FIXTURE_SIZE + with_tables, 0xE000, true, 1, 0x60000},
        {"tables one byte too far", FW_FIXTURE_SIZE + with_tables - 1, 0xE000, true, 0, 0},
    };
    RouterSettings s = sample_settings();
    for (const Case& c : cases) {
        FirmwareFixtureLayout layout;
        layout.size = c.size;
        layout.paragraph = c.paragraph;
        const Bytes original = firmware_fixture_bytes(layout);
        ImagePtr image = make_image(original);
        int got = firmware_do_patch(image.get(), &s, c.tables ? lines.get() : nullptr,
                                    c.tables ? routes.get() : nullptr, nullptr);
        EXPECT_EQ(got, c.want) << c.name;
        const Bytes after = image_bytes(image.get());
        if (c.want == 0) {
            EXPECT_EQ(after, original) << c.name << ": a refused patch wrote";
            continue;
        }
        size_t written = c.tables ? with_tables : 70;
        EXPECT_EQ(after[c.at], 0xEF) << c.name;
        EXPECT_EQ(after[c.at + 1], 0xBE) << c.name;
        EXPECT_TRUE(std::equal(after.begin(), after.begin() + c.at, original.begin())) << c.name;
        EXPECT_TRUE(std::equal(after.begin() + c.at + written, after.end(),
                               original.begin() + c.at + written))
            << c.name << ": bytes after the records changed";
    }
}

// ------------------------------------------------------------- records ---

const uint8_t kRouterRecord[] = {
    0xEF, 0xBE, 0x00, 0x00, 0x01, 0x00, 0x46, 0x00, 0x00, 0x00,  // header, checksum cleared
    0x01, 0x00, 0x00, 0x0A,                                      // 10.0.0.1
    0x00, 0xFF, 0xFF, 0xFF,                                      // 255.255.255.0
    0xFF, 0x00, 0x00, 0x0A,                                      // broadcast 10.0.0.255
    0xE0, 0x05,                                                  // 1504
    '0',  '8',  '9',  '1',  '2',  '3',  '4',  0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x01,                                                     // line type
    0x63, 0x00, 0x00, 0x0A,                                   // exclusive: 10.0.0.99
    'g',  'e',  'h',  'e',  'i',  'm',  0,    0,    0,    0,  // password in clear
    0x01,                                                     // ISDN mode
    '2',  '.',  '0',  '5',  0,    0,    0,    0,    0,    0,  // firmware
};
static_assert(sizeof kRouterRecord == 70, "router record fixture size");

const uint8_t kLineRecord[] = {
    0xEF, 0xBE, 0x00, 0x00, 0x02, 0x00, 0xA4, 0x00, 0x00, 0x00,  // index 0
    0x07, 0x00, 0x00, 0x0A, 0,    0,    0,    0,                 // host 10.0.0.7
    '0',  '8',  '9',  '1',  0,    0,    0,    0,    0,    0,    0,   0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0x01, 0x09, 0xDC,
    0x05, 0x03, 0x01, 0x08, 0x07, 0,    0,  // layer 2 block
    0x01, 0x0E, 0x02, 0x01, 0,    0,    0,    0,    0,    0,    0,   0,    0x0B, 0x0A,
    0x08,                    // layer 3 block
    0x14, 0x00, 0x01, 0x00,  // timeout, compression, manual
    'a',  'l',  'i',  'c',  'e',  0,    's',  'e',  'c',  'r',  'e', 't',  0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,  // receive pair
    'b',  'o',  'b',  0,    'p',  'w',  0,    0,    0,    0,    0,   0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,  // send pair
    0x02, 0x00, 0x02, 0x00,                                              // bundling: two channels
    0,    0,    0,    0,    0,    0,    0,    0,
};
static_assert(sizeof kLineRecord == 164, "line record fixture size");

// Checksum by hand, words high byte first: EFBE 0000 0300 1C00 0000 0000 00FF
// FFFF 0001 A8C0 0000 0000 0100 000A. EFBE+0300=F2BE, +1C00=10EBE, +00FF=10FBD,
// +FFFF=20FBC, +0001=20FBD, +A8C0=2B87D, +0100=2B97D, +000A=2B987; folded
// B987+2=B989; complemented 4676.
const uint8_t kRouteRecord[28] = {
    0xEF, 0xBE, 0x46, 0x76, 0x03, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
    0xFF, 0xFF, 0x00, 0x01, 0xA8, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0A,
};

const uint8_t kFilterRecord[32] = {
    0xEF, 0xBE, 0x00, 0x00, 0x04, 0x00, 0x20, 0x00, 0x01, 0x00,  // second rule: index 1
    0x01, 0x06,                                                  // accept, TCP
    0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x0A,              // send mask, match
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // receive mask, match
    0x00, 0x00, 0x17, 0x00,                                      // port 23
};

// A record as written, with its checksum bytes cleared for comparison.
Bytes without_checksum(const uint8_t* at, size_t length)
{
    Bytes b(at, at + length);
    b[2] = b[3] = 0;
    return b;
}

TEST_F(FirmwareImageTest, RecordsInListOrderWithTheirChecksums)
{
    ListPtr lines(listhelp_new_line_list());
    LineTarget no_layer3 = sample_line("10.0.0.5", 1);
    no_layer3.proto3 = nullptr;
    LineTarget no_layer2 = sample_line("10.0.0.6", 1);
    no_layer2.proto2 = nullptr;
    append_copy(lines.get(), no_layer3);  // skipped
    append_copy(lines.get(), sample_line("10.0.0.7", 1));
    append_copy(lines.get(), no_layer2);  // skipped
    append_copy(lines.get(), sample_line("10.0.0.8", 0));

    ListPtr routes(listhelp_new_route_list());
    RouteEntry route{};
    myutil_copy_text(route.mask, "255.255.255.0");
    myutil_copy_text(route.match, "192.168.1.0");
    myutil_copy_text(route.gateway, "10.0.0.1");
    append_copy(routes.get(), route);

    ListPtr filters(listhelp_new_filter_list());
    FilterEntry reject{};
    for (char* text :
         {reject.send_mask, reject.send_match, reject.receive_mask, reject.receive_match})
        myutil_copy_text(text, sizeof reject.send_mask, "0.0.0.0");
    FilterEntry telnet = reject;
    myutil_copy_text(telnet.send_mask, "255.255.255.0");
    myutil_copy_text(telnet.send_match, "10.0.0.0");
    telnet.protocol = 6;
    telnet.port = 23;
    telnet.action = 1;
    append_copy(filters.get(), reject);
    append_copy(filters.get(), telnet);

    ImagePtr image = make_image(firmware_fixture_bytes());
    RouterSettings s = sample_settings();
    ASSERT_EQ(firmware_do_patch(image.get(), &s, lines.get(), routes.get(), filters.get()), 1);
    const uint8_t* d = image->data;

    // Walk the records by their own lengths; each one's checksum verifies.
    struct Expect {
        uint16_t type, length, index;
    } expect[] = {{1, 70, 0}, {2, 164, 0}, {2, 164, 1}, {3, 28, 0}, {4, 32, 0}, {4, 32, 1}};
    size_t at = 0;
    std::vector<size_t> offsets;
    for (const Expect& e : expect) {
        offsets.push_back(at);
        ASSERT_EQ(d[at] | d[at + 1] << 8, 0xBEEF) << "record at " << at;
        EXPECT_EQ(d[at + 4] | d[at + 5] << 8, e.type) << at;
        ASSERT_EQ(d[at + 6] | d[at + 7] << 8, e.length) << at;
        EXPECT_EQ(d[at + 8] | d[at + 9] << 8, e.index) << at;
        EXPECT_EQ(ones_complement_sum(d + at, e.length), 0xFFFF) << "checksum at " << at;
        at += e.length;
    }
    EXPECT_EQ(d[at], firmware_fixture_filler(at)) << "nothing after the last record";

    EXPECT_EQ(without_checksum(d + offsets[0], 70),
              Bytes(std::begin(kRouterRecord), std::end(kRouterRecord)));
    EXPECT_EQ(without_checksum(d + offsets[1], 164),
              Bytes(std::begin(kLineRecord), std::end(kLineRecord)));
    // The second written line target: its own host, index 1, one B-channel.
    const uint8_t* second = d + offsets[2];
    EXPECT_EQ(Bytes(second + 10, second + 14), (Bytes{0x08, 0x00, 0x00, 0x0A}));
    EXPECT_EQ(Bytes(second + 152, second + 156), (Bytes{0x01, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Bytes(d + offsets[3], d + offsets[3] + 28),
              Bytes(std::begin(kRouteRecord), std::end(kRouteRecord)));
    EXPECT_EQ(without_checksum(d + offsets[5], 32),
              Bytes(std::begin(kFilterRecord), std::end(kFilterRecord)));
}

TEST_F(FirmwareImageTest, EmptyListsAndTheClassObjectAddNoRecords)
{
    RouterSettings s = sample_settings();
    s.exclusive = 0;
    for (bool class_object : {false, true}) {
        ImagePtr image = make_image(firmware_fixture_bytes());
        ListObject* empty = class_object ? list_object_instance : nullptr;
        ASSERT_EQ(firmware_do_patch(image.get(), &s, empty, empty, empty), 1);
        EXPECT_EQ(Bytes(image->data + 45, image->data + 49), Bytes(4, 0)) << "not exclusive";
        EXPECT_EQ(ones_complement_sum(image->data, 70), 0xFFFF);
        EXPECT_EQ(image->data[70], firmware_fixture_filler(70));
    }
}

TEST_F(FirmwareImageTest, ChecksumOfKnownBlocks)
{
    struct Case {
        Bytes data;
        uint16_t want;
    } cases[] = {
        {{}, 0xFFFF},
        {{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}, 0x220D},  // RFC 1071's example sum DDF2
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0x0000},
        {{0x12}, 0xEDFF},  // an odd byte is the high half of a last word
    };
    for (const Case& c : cases)
        EXPECT_EQ(firmware_checksum(c.data.data(), c.data.size()), c.want);
}

}  // namespace
