// Router payloads against byte fixtures written from the message layouts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "messages.h"
#include "myutil.h"
#include "protocols.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes bytes(const uint8_t (&a)[N])
{
    return Bytes(a, a + N);
}

class Messages : public ::testing::Test {
protected:
    // Address texts come back as dotted quads.
    void SetUp() override { myutil_set_config(0x0A000001u, 0xFFFFFF00u, 0); }
};

// ------------------------------------------------------------- bytes ---

TEST_F(Messages, NumbersAreBigEndian)
{
    uint8_t buf[8] = {};
    msg_put_u16(buf, 1, 0xA1B2);
    msg_put_u32(buf, 3, 0x01020304);
    const uint8_t want[8] = {0x00, 0xA1, 0xB2, 0x01, 0x02, 0x03, 0x04, 0x00};
    EXPECT_EQ(bytes(buf), bytes(want));
    EXPECT_EQ(msg_get_u16(want, 1), 0xA1B2);
    EXPECT_EQ(msg_get_u32(want, 3), 0x01020304u);
    const uint8_t high[4] = {0xFF, 0xFE, 0x80, 0x01};
    EXPECT_EQ(msg_get_u32(high, 0), 0xFFFE8001u);
    EXPECT_EQ(msg_get_u16(high, 2), 0x8001);
}

TEST_F(Messages, TextFieldsFillLikeStrncpy)
{
    struct Case {
        const char* text;
        std::vector<uint8_t> field;  // 5 bytes, then the guard byte
    } cases[] = {
        {"ab", {'a', 'b', 0, 0, 0, 0xEE}},
        {"", {0, 0, 0, 0, 0, 0xEE}},
        {"abcde", {'a', 'b', 'c', 'd', 'e', 0xEE}},    // as wide as the field: no terminator
        {"abcdefg", {'a', 'b', 'c', 'd', 'e', 0xEE}},  // cut to the field
    };
    for (const Case& c : cases) {
        Bytes buf(6, 0xEE);
        msg_put_text(buf.data(), 0, c.text, 5);
        EXPECT_EQ(buf, c.field) << c.text;
    }
}

TEST_F(Messages, TextFieldsReadUpToTheirFirstNulAndTheirWidth)
{
    struct Case {
        std::vector<uint8_t> field;  // 5-byte field and what lies after it
        size_t out_size;
        const char* want;
    } cases[] = {
        {{'a', 'b', 0, 'x', 'y', 'z'}, 21, "ab"},
        {{0, 'b', 'c', 'd', 'e', 'z'}, 21, ""},
        {{'a', 'b', 'c', 'd', 'e', 'z'}, 21, "abcde"},  // full field, neighbour not taken
        {{'a', 'b', 'c', 'd', 'e', 'z'}, 4, "abc"},     // cut to the record's array
    };
    for (const Case& c : cases) {
        char out[21];
        std::memset(out, 'Q', sizeof out);
        msg_get_text(c.field.data(), 0, 5, out, c.out_size);
        EXPECT_STREQ(out, c.want);
    }
}

// ------------------------------------------------------- scrambling ---

// Seed 0x1234 = 4660; 4660 mod 257 = 4660 - 18*257 = 34; x = 34 + 13 = 47.
//   i  x    x*167   >>6  &FF   key
//   0  47   7849    122  122   7A
//   1  135  22545   352   96   60
//   2  109  18203   284   28   1C
//   3  41   6847    106  106   6A
//   4  119  19873   310   54   36
//   5  67   11189   174  174   AE
//   6  187  31229   487  231   E7
//   7  244  40748   636  124   7C
//   8  137  22879   357  101   65
//   9  114  19038   297   41   29
// "secret": 73^7A=09 65^60=05 63^1C=7F 72^6A=18 65^36=53 74^AE=DA, then the
// NUL padding shows the key itself.
const uint8_t kSecretClear[10] = {'s', 'e', 'c', 'r', 'e', 't', 0, 0, 0, 0};
const uint8_t kSecret1234[10] = {0x09, 0x05, 0x7F, 0x18, 0x53, 0xDA, 0xE7, 0x7C, 0x65, 0x29};
const uint8_t kKey1234[10] = {0x7A, 0x60, 0x1C, 0x6A, 0x36, 0xAE, 0xE7, 0x7C, 0x65, 0x29};

// Seed 0: x = 13; 13*167=2171>>6=33 (21); 46*167=7682>>6=120 (78);
// 133*167=22211>>6=347&FF=91 (5B); 104*167=17368>>6=271&FF=15 (0F);
// 28*167=4676>>6=73 (49); 86*167=14362>>6=224 (E0); 237*167=39579>>6=618&FF=106
// (6A); then 119, 67, 187 as above: 36 AE E7.
const uint8_t kKey0[10] = {0x21, 0x78, 0x5B, 0x0F, 0x49, 0xE0, 0x6A, 0x36, 0xAE, 0xE7};

TEST_F(Messages, ScramblingMatchesHandComputedKeys)
{
    uint8_t out[10];
    highstate_scramble_password(out, kSecretClear, 0x1234);
    EXPECT_EQ(bytes(out), bytes(kSecret1234));

    const uint8_t zeros[10] = {};
    // 256 and 0xFFFF fold onto 0 through the modulus and the byte mask.
    for (uint16_t seed : {0, 256, 257, 0xFFFF}) {
        highstate_scramble_password(out, zeros, seed);
        EXPECT_EQ(bytes(out), bytes(kKey0)) << "seed " << seed;
    }
}

TEST_F(Messages, ScramblingTwiceGivesTheBlockBack)
{
    const uint8_t block[10] = {0x00, 0xFF, 'p', 'w', 0x80, 0x7F, 0x01, 0xFE, 0x55, 0xAA};
    for (uint16_t seed : {0, 1, 13, 256, 0x1234, 0xFFFE, 0xFFFF}) {
        uint8_t once[10], twice[10];
        highstate_scramble_password(once, block, seed);
        highstate_scramble_password(twice, once, seed);
        EXPECT_NE(bytes(once), bytes(block)) << seed;
        EXPECT_EQ(bytes(twice), bytes(block)) << seed;
    }
}

// ------------------------------------------------- short client payloads ---

TEST_F(Messages, PasswordPayloads)
{
    uint8_t buf[MSG_MAX_PAYLOAD];
    ASSERT_EQ(msg_pack_password_reply(buf, sizeof buf, 0x0102, "secret", 0x1234), 12);
    const uint8_t reply[12] = {0x01, 0x02, 0x09, 0x05, 0x7F, 0x18,
                               0x53, 0xDA, 0xE7, 0x7C, 0x65, 0x29};
    EXPECT_EQ(Bytes(buf, buf + 12), bytes(reply));

    // The new password is cut to 10 characters; an empty one is all key.
    ASSERT_EQ(msg_pack_set_password(buf, sizeof buf, 0x1234, 1, "secretXXXXYY", ""), 23);
    const uint8_t setpw[23] = {0x12,       0x34,       0xFF,       0x09,       0x05, 0x7F, 0x18,
                               0x53,       0xDA,  // "secret"
                               'X' ^ 0xE7, 'X' ^ 0x7C, 'X' ^ 0x65, 'X' ^ 0x29, 0x7A, 0x60, 0x1C,
                               0x6A,       0x36,       0xAE,       0xE7,       0x7C, 0x65, 0x29};
    EXPECT_EQ(Bytes(buf, buf + 23), bytes(setpw));

    ASSERT_EQ(msg_pack_set_password(buf, sizeof buf, 0x1234, 0, "", "secret"), 23);
    EXPECT_EQ(buf[2], 0x00);
    EXPECT_EQ(Bytes(buf + 3, buf + 13), bytes(kKey1234));
    EXPECT_EQ(Bytes(buf + 13, buf + 23), bytes(kSecret1234));
}

TEST_F(Messages, ShortRequestPayloads)
{
    struct Case {
        const char* name;
        std::function<int(uint8_t*, size_t)> pack;
        Bytes want;
    } cases[] = {
        {"get entry",
         [](uint8_t* b, size_t n) { return msg_pack_get_entry(b, n, 0xF0, 0x0102); },
         {0xF0, 0x01, 0x02}},
        {"delete entry",
         [](uint8_t* b, size_t n) { return msg_pack_delete_entry(b, n, 0x0F, 63); },
         {0x0F, 0x00, 0x3F}},
        {"accounting",
         [](uint8_t* b, size_t n) { return msg_pack_get_accounting(b, n, ACCOUNTING_READ, 2); },
         {0x00, 0x00, 0x02}},
        {"accounting reset",
         [](uint8_t* b, size_t n) {
             return msg_pack_get_accounting(b, n, ACCOUNTING_READ_RESET, 29);
         },
         {0xFF, 0x00, 0x1D}},
        {"isdn open",
         [](uint8_t* b, size_t n) { return msg_pack_isdn_open(b, n, 0x0105); },
         {0x00, 0x01, 0x05}},
        {"isdn close", [](uint8_t* b, size_t n) { return msg_pack_isdn_close(b, n, 1); }, {0x01}},
        {"close with code",
         [](uint8_t* b, size_t n) { return msg_pack_close_request(b, n, 9999); },
         {0x27, 0x0F}},
        {"close plain", [](uint8_t* b, size_t n) { return msg_pack_close_request(b, n, 0); }, {}},
        {"fw request",
         [](uint8_t* b, size_t n) {
             const uint8_t hw[6] = {0x00, 0xA0, 0xC5, 0x01, 0x02, 0x03};
             return msg_pack_fw_download_request(b, n, hw, 0x0A000009u);
         },
         {0x00, 0xA0, 0xC5, 0x01, 0x02, 0x03, 0x0A, 0x00, 0x00, 0x09}},
        {"fw chunk",
         [](uint8_t* b, size_t n) {
             const uint8_t data[3] = {0xDE, 0xAD, 0xBE};
             return msg_pack_fw_data(b, n, 1000, data, 3);
         },
         {0x00, 0x00, 0x03, 0xE8, 0xDE, 0xAD, 0xBE}},
        {"fw last empty chunk",
         [](uint8_t* b, size_t n) { return msg_pack_fw_data(b, n, 0x01020304, nullptr, 0); },
         {0x01, 0x02, 0x03, 0x04}},
    };
    for (const Case& c : cases) {
        Bytes buf(MSG_MAX_PAYLOAD, 0xEE);
        int n = c.pack(buf.data(), buf.size());
        ASSERT_EQ(n, static_cast<int>(c.want.size())) << c.name;
        EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), c.want) << c.name;
        EXPECT_EQ(buf[n], 0xEE) << c.name << ": wrote past its payload";
    }
}

TEST_F(Messages, FirmwareChunkCarriesAtMostFiveHundredBytes)
{
    std::vector<uint8_t> image(501, 0x5A);
    uint8_t buf[FW_DATA_MAX_LEN + 8];
    EXPECT_EQ(msg_pack_fw_data(buf, sizeof buf, 0, image.data(), 500), 504);
    EXPECT_EQ(msg_pack_fw_data(buf, sizeof buf, 0, image.data(), 501), 0);
    EXPECT_EQ(msg_pack_fw_data(buf, 503, 0, image.data(), 500), 0);
    EXPECT_EQ(msg_pack_fw_data(buf, sizeof buf, 0, image.data(), -1), 0);
}

TEST_F(Messages, RouterDataPayload)
{
    RouterSettings s{};
    myutil_copy_text(s.name, "10.0.0.1");
    myutil_copy_text(s.netmask, "255.255.255.0");
    myutil_copy_text(s.phone, "0301234567");
    s.line_type = 2;
    s.isdn_mode = 1;  // not part of this message
    myutil_copy_text(s.password, "pw");
    uint8_t buf[64];
    ASSERT_EQ(msg_pack_router_data(buf, sizeof buf, &s), 29);
    const uint8_t want[29] = {0x0A, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00, '0', '3',
                              '0',  '1',  '2',  '3',  '4',  '5',  '6',  '7',  0,   0,
                              0,    0,    0,    0,    0,    0,    0,    0,    0x02};
    EXPECT_EQ(Bytes(buf, buf + 29), bytes(want));

    // A name that is no address goes out as 0.0.0.0.
    myutil_copy_text(s.name, "");
    ASSERT_EQ(msg_pack_router_data(buf, sizeof buf, &s), 29);
    EXPECT_EQ(Bytes(buf, buf + 4), Bytes(4, 0));
}

// ------------------------------------------------------- entry bodies ---

// Rows of the test's own, so the packed parameters show which source was used.
Proto2Def test_row2 = {"x75big", 1, nullptr, 2048, 3, 1, 8, 7};
Proto3Def test_row3 = {"t70x", 1, nullptr, {1, 2, 3, 4, 5, 0x0A0B}, 9};

LineTarget sample_line()
{
    LineTarget t{};
    myutil_copy_text(t.host, "10.1.2.3");
    myutil_copy_text(t.phone, "0891234");
    t.index = 2;
    t.proto2_code = 1;
    t.proto2 = &test_row2;
    t.proto2_params = Proto2Params{999, 9, 9, 9, 9};  // differs from the row
    t.proto3_code = 1;
    t.proto3 = &test_row3;
    t.proto3_params = Proto3Params{{7, 7, 7, 7, 7, 7}, 7};
    t.timeout = 300;
    t.manual_only = 1;
    t.bundling = 0;
    t.compression = 1;
    myutil_copy_text(t.send_pair, "alice/se/cret");
    myutil_copy_text(t.receive_pair, "/pw");
    return t;
}

const uint8_t kLineBody[] = {
    0xFF, 0x00, 0x02,                                            // table, index 2
    0x0A, 0x01, 0x02, 0x03,                                      // host 10.1.2.3
    '0', '8', '9', '1', '2', '3', '4', 0, 0, 0, 0, 0, 0, 0,      // phone (20)
    0, 0, 0, 0, 0, 0, 0x01, 0x08, 0x00, 0x03, 0x01, 0x08, 0x07,  // layer 2: code,
                                                                 // row's params
    0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04,        // layer 3: code, words...
    0x00, 0x05, 0x0A, 0x0B, 0x09,                                // ... and the byte
    0x01, 0x2C, 0x01, 0x00, 0x01,                                // timeout 300, flags
    'a', 'l', 'i', 'c', 'e', 0, 's', 'e', 0, 'c', 'r', 'e', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // send pair (40)
    0, 'p', 'w', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0,  // receive pair (40)
};
static_assert(sizeof kLineBody == LINE_BODY_LEN, "line body fixture size");

TEST_F(Messages, LineBodyTakesTheProtocolRowsAndTurnsSlashesIntoNul)
{
    LineTarget t = sample_line();
    Bytes buf(LINE_BODY_LEN + 1, 0xEE);
    ASSERT_EQ(highstate_pack_line(&t, buf.data(), buf.size()), LINE_BODY_LEN);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + LINE_BODY_LEN), bytes(kLineBody));
    EXPECT_EQ(buf[LINE_BODY_LEN], 0xEE);
}

TEST_F(Messages, LineBodyWithoutProtocolRowsPacksTheReportedParameters)
{
    LineTarget t = sample_line();
    t.proto2 = nullptr;
    t.proto2_params = Proto2Params{0x0102, 4, 5, 6, 3};
    t.proto3 = nullptr;
    t.proto3_params = Proto3Params{{0x0700, 0, 0, 0, 0, 0x0001}, 8};
    uint8_t buf[LINE_BODY_LEN];
    ASSERT_EQ(highstate_pack_line(&t, buf, sizeof buf), LINE_BODY_LEN);
    const uint8_t want[21] = {0x01, 0x01, 0x02, 0x04, 0x05, 0x06, 0x03,        // 27-33
                              0x01, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 34-
                              0x00, 0x00, 0x00, 0x00, 0x01, 0x08};             // -47
    EXPECT_EQ(Bytes(buf + 27, buf + 48), bytes(want));
}

TEST_F(Messages, FullWidthPairTravelsWithoutNulAndLeavesItsNeighbour)
{
    LineTarget t = sample_line();
    const char* forty = "abcdefghijABCDEFGHIJabcdefghijABCDEFGHIJ";
    myutil_copy_text(t.send_pair, forty);
    myutil_copy_text(t.receive_pair, "x/y");
    uint8_t buf[LINE_BODY_LEN];
    ASSERT_EQ(highstate_pack_line(&t, buf, sizeof buf), LINE_BODY_LEN);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf + 53), 40), forty);
    Bytes receive(40, 0);
    receive[0] = 'x';
    receive[2] = 'y';
    EXPECT_EQ(Bytes(buf + 93, buf + 133), receive);
}

TEST_F(Messages, RouteAndFilterBodies)
{
    RouteEntry r{};
    myutil_copy_text(r.mask, "255.255.0.0");
    myutil_copy_text(r.match, "172.16.0.0");
    myutil_copy_text(r.gateway, "");  // resolves to nothing
    r.index = 4;
    uint8_t buf[64];
    ASSERT_EQ(highstate_pack_route(&r, buf, sizeof buf), 15);
    const uint8_t route[15] = {0xF0, 0x00, 0x04, 0xFF, 0xFF, 0x00, 0x00, 0xAC,
                               0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(buf, buf + 15), bytes(route));

    FilterEntry f{};
    myutil_copy_text(f.send_mask, "255.255.255.0");
    myutil_copy_text(f.send_match, "10.0.0.5");
    myutil_copy_text(f.receive_mask, "0.0.0.0");
    myutil_copy_text(f.receive_match, "0.0.0.0");
    f.protocol = 17;
    f.action = 0;
    f.port = 53;
    f.index = 3;
    std::memset(buf, 0xEE, sizeof buf);
    ASSERT_EQ(highstate_pack_filter(&f, buf, sizeof buf), 25);
    const uint8_t filter[25] = {0x0F, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0x00, 0x0A, 0x00,
                                0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x35};
    EXPECT_EQ(Bytes(buf, buf + 25), bytes(filter));
}

TEST_F(Messages, PackersRefuseABufferTooSmall)
{
    LineTarget line = sample_line();
    RouteEntry route{};
    FilterEntry filter{};
    RouterSettings settings{};
    const uint8_t hw[6] = {};
    struct Case {
        const char* name;
        int need;
        std::function<int(uint8_t*, size_t)> pack;
    } cases[] = {
        {"line", 133, [&](uint8_t* b, size_t n) { return highstate_pack_line(&line, b, n); }},
        {"route", 15, [&](uint8_t* b, size_t n) { return highstate_pack_route(&route, b, n); }},
        {"filter", 25, [&](uint8_t* b, size_t n) { return highstate_pack_filter(&filter, b, n); }},
        {"password", 12,
         [](uint8_t* b, size_t n) { return msg_pack_password_reply(b, n, 1, "pw", 2); }},
        {"set password", 23,
         [](uint8_t* b, size_t n) { return msg_pack_set_password(b, n, 1, 0, "a", "b"); }},
        {"router data", 29,
         [&](uint8_t* b, size_t n) { return msg_pack_router_data(b, n, &settings); }},
        {"get entry", 3, [](uint8_t* b, size_t n) { return msg_pack_get_entry(b, n, 0xFF, 0); }},
        {"delete", 3, [](uint8_t* b, size_t n) { return msg_pack_delete_entry(b, n, 0xFF, 0); }},
        {"accounting", 3, [](uint8_t* b, size_t n) { return msg_pack_get_accounting(b, n, 0, 0); }},
        {"isdn open", 3, [](uint8_t* b, size_t n) { return msg_pack_isdn_open(b, n, 0); }},
        {"isdn close", 1, [](uint8_t* b, size_t n) { return msg_pack_isdn_close(b, n, 0); }},
        {"close", 2, [](uint8_t* b, size_t n) { return msg_pack_close_request(b, n, 7); }},
        {"fw request", 10,
         [&](uint8_t* b, size_t n) { return msg_pack_fw_download_request(b, n, hw, 1); }},
    };
    for (const Case& c : cases) {
        // Exactly sized heap blocks: a write past the end is caught by the
        // sanitizer build.
        Bytes small(c.need - 1);
        EXPECT_EQ(c.pack(small.data(), small.size()), 0) << c.name;
        Bytes exact(c.need);
        EXPECT_EQ(c.pack(exact.data(), exact.size()), c.need) << c.name;
    }
}

// ---------------------------------------------------- received payloads ---

const uint8_t kScanReply[16] = {0xEE, 0xEE, 0x00, 0xA0, 0xC5, 0x11, 0x22, 0x33,
                                0x0A, 0x00, 0x00, 0x02, 0x0A, 0x00, 0x00, 0x63};

const uint8_t kStateReply[64] = {
    0xEE, 0xEE, 0x03, 0x0A, 0x00, 0x00, 0x08,  // channel 1
    '0',  '4',  '0',  '1',  0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0x05, 0xC0, 0xA8, 0x00, 0x01,  // channel 2
    '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  '1',  '2',  '3',
    '4',  '5',  '6',  '7',  '8',  '9',  '0',  0x01, 0x02,       // mode, line type
    '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  // firmware, full
};

const uint8_t kOpenReply[44] = {
    0xEE, 0xEE, 0x00, 0x03, 0x00, 0x05, 0x00, 0x07,  // sizes 3, 5, 7
    0xFF, 0xFF, 0xFF, 0x00,                          // netmask
    '0',  '8',  '9',  '1',  '2',  '3',  '4',  0,    0, 0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0, 0x01, 0x02,  // mode, line type
    '1',  '.',  '2',  '3',  0,    0,    0,    0,    0, 0,           // firmware
};

const uint8_t kCloseReply[8] = {0xEE, 0xEE, 0x00, 0x04, 0x0A, 0x00, 0x00, 0x2A};

const uint8_t kAccounting[32] = {
    0xEE, 0xEE, 0xEE, 0xEE, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x01, 0x02, 0x00, 0x01, 0x02, 0x03,
    0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x09,
};

const uint8_t kLinemon[86] = {
    0x03, 0x12, 0x34, 0x0A, 0x00, 0x00, 0x05,  // channel 1
    '0',  '8',  '9',  '1',  0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0x00, 0x00, 0x0E, 0x10, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x05, 0xAB, 0xCD, 0xC0, 0xA8, 0x01, 0x02,  // channel 2
    '9',  '8',  '7',  '6',  '5',  '4',  '3',  '2',  '1',  '0',  '9',  '8',  '7',  '6',  '5',
    '4',  '3',  '2',  '1',  '0',  0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x07, 0x00, 0x00, 0x00, 0x08,
};

TEST_F(Messages, ScanReply)
{
    ScanAnswer a;
    std::memset(&a, 0x55, sizeof a);
    ASSERT_EQ(msg_parse_scan_reply(kScanReply, 16, &a), 1);
    EXPECT_EQ(a.status, 0);
    const uint8_t hw[6] = {0x00, 0xA0, 0xC5, 0x11, 0x22, 0x33};
    EXPECT_EQ(bytes(a.hw), bytes(hw));
    EXPECT_EQ(a.router_ip, 0x0A000002u);
    EXPECT_EQ(a.holder_ip, 0x0A000063u);
}

TEST_F(Messages, StateReplyFullAndShort)
{
    RouterState s;
    ASSERT_EQ(msg_parse_state_reply(0x0A000002u, kStateReply, 64, &s), 1);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.router_ip, 0x0A000002u);
    EXPECT_EQ(s.ch1_state, 3);
    EXPECT_EQ(s.ch1_peer_ip, 0x0A000008u);
    EXPECT_STREQ(s.ch1_phone, "0401");
    EXPECT_EQ(s.ch2_state, 5);
    EXPECT_EQ(s.ch2_peer_ip, 0xC0A80001u);
    EXPECT_STREQ(s.ch2_phone, "12345678901234567890");
    EXPECT_EQ(s.isdn_mode, 1);
    EXPECT_EQ(s.line_type, 2);
    EXPECT_STREQ(s.firmware, "1234567890");

    for (int length : {52, 63}) {
        std::memset(&s, 0x55, sizeof s);
        ASSERT_EQ(msg_parse_state_reply(0x0A000002u, kStateReply, length, &s), 1);
        EXPECT_STREQ(s.ch2_phone, "12345678901234567890") << length;
        EXPECT_EQ(s.isdn_mode, 0) << length;
        EXPECT_EQ(s.line_type, 0) << length;
        EXPECT_STREQ(s.firmware, "") << length;
    }
}

TEST_F(Messages, PasswordRequestIsExactlyTwoBytes)
{
    const uint8_t req[3] = {0xAB, 0xCD, 0x00};
    OpenReply r;
    ASSERT_EQ(msg_parse_password_request(req, 2, 7, &r), 1);
    EXPECT_EQ(r.kind, OPEN_PASSWORD);
    EXPECT_EQ(r.seed, 0xABCD);
    EXPECT_EQ(r.seq, 7);
    EXPECT_EQ(msg_parse_password_request(req, 1, 7, &r), 0);
    EXPECT_EQ(msg_parse_password_request(req, 3, 7, &r), 0);
}

TEST_F(Messages, OpenReplyWithAndWithoutSettings)
{
    OpenReply r;
    ASSERT_EQ(msg_parse_open_reply(kOpenReply, 44, &r), 1);
    EXPECT_EQ(r.kind, OPEN_ACCEPTED);
    EXPECT_EQ(r.n_lines, 3);
    EXPECT_EQ(r.n_routes, 5);
    EXPECT_EQ(r.n_filters, 7);
    EXPECT_STREQ(r.text, "255.255.255.0");
    EXPECT_STREQ(r.phone, "0891234");
    EXPECT_EQ(r.isdn_mode, 1);
    EXPECT_EQ(r.line_type, 2);
    EXPECT_STREQ(r.firmware, "1.23");

    for (int length : {8, 43}) {
        std::memset(&r, 0x55, sizeof r);
        ASSERT_EQ(msg_parse_open_reply(kOpenReply, length, &r), 1);
        EXPECT_EQ(r.kind, OPEN_ACCEPTED);
        EXPECT_EQ(r.n_filters, 7);
        EXPECT_STREQ(r.text, "");
        EXPECT_STREQ(r.phone, "");
        EXPECT_STREQ(r.firmware, "");
        EXPECT_EQ(r.isdn_mode, 0);
        EXPECT_EQ(r.line_type, 0);
    }
}

TEST_F(Messages, OpenReplyFirmwareOfFullWidth)
{
    uint8_t reply[44];
    std::memcpy(reply, kOpenReply, sizeof reply);
    std::memcpy(reply + 34, "ABCDEFGHIJ", 10);
    OpenReply r;
    ASSERT_EQ(msg_parse_open_reply(reply, 44, &r), 1);
    EXPECT_STREQ(r.firmware, "ABCDEFGHIJ");
}

TEST_F(Messages, CloseReplyNamesTheHolderOnlyWithTheWholeAddress)
{
    struct Case {
        int length;
        const char* holder;
    } cases[] = {{4, ""}, {5, ""}, {7, ""}, {8, "10.0.0.42"}};
    for (const Case& c : cases) {
        Bytes payload(kCloseReply, kCloseReply + c.length);
        OpenReply r;
        std::memset(&r, 0x55, sizeof r);
        ASSERT_EQ(msg_parse_open_refused(payload.data(), c.length, &r), 1) << c.length;
        EXPECT_EQ(r.kind, OPEN_REFUSED);
        EXPECT_EQ(r.reason, 4);
        EXPECT_STREQ(r.text, c.holder) << c.length;
    }
}

TEST_F(Messages, StatusAndPutEntryReplies)
{
    const uint8_t status[4] = {0xEE, 0xEE, 0x00, 0x0B};
    uint16_t code = 0;
    ASSERT_EQ(msg_parse_status_reply(status, 4, &code), 1);
    EXPECT_EQ(code, 11);

    const uint8_t put[7] = {0xEE, 0xEE, 0xF0, 0x00, 0x01, 0x00, 0x0C};
    uint8_t table = 0;
    ASSERT_EQ(msg_parse_put_entry_reply(put, 7, &table, &code), 1);
    EXPECT_EQ(table, 0xF0);
    EXPECT_EQ(code, 12);

    const uint8_t entry[5] = {0xEE, 0xEE, 0xFF, 0x01, 0x09};
    uint16_t index = 0;
    ASSERT_EQ(msg_parse_entry_header(entry, 5, &table, &index), 1);
    EXPECT_EQ(table, 0xFF);
    EXPECT_EQ(index, 0x0109);

    const uint8_t fw[4] = {0x0A, 0x00, 0x00, 0x0C};
    uint32_t address = 0;
    ASSERT_EQ(msg_parse_fw_reply(fw, 4, &address), 1);
    EXPECT_EQ(address, 0x0A00000Cu);
}

TEST_F(Messages, AccountingCountersInReplyOrder)
{
    AccountingCounters c;
    ASSERT_EQ(msg_parse_accounting(kAccounting, 32, &c), 1);
    EXPECT_EQ(c.charge, 0x11u);
    EXPECT_EQ(c.calls_out, 0x0102u);
    EXPECT_EQ(c.calls_in, 0x010203u);
    EXPECT_EQ(c.packets_out, 0x01020304u);
    EXPECT_EQ(c.packets_in, 0xA0B0C0D0u);
    EXPECT_EQ(c.bytes_out, 0xFFFFFFFFu);
    EXPECT_EQ(c.bytes_in, 9u);
}

TEST_F(Messages, LineMonitorBlocks)
{
    LineMonitorData d;
    ASSERT_EQ(msg_parse_linemon(kLinemon, 86, &d), 1);
    const LineMonitorChannel& a = d.channel[0];
    EXPECT_EQ(a.state, 3);
    EXPECT_EQ(a.code, 0x1234);
    EXPECT_STREQ(a.peer, "10.0.0.5");
    EXPECT_STREQ(a.phone, "0891");
    EXPECT_EQ(a.duration, 3600u);
    EXPECT_EQ(a.charge, 42u);
    EXPECT_EQ(a.packets_out, 256u);
    EXPECT_EQ(a.packets_in, 65536u);
    const LineMonitorChannel& b = d.channel[1];
    EXPECT_EQ(b.state, 5);
    EXPECT_EQ(b.code, 0xABCD);
    EXPECT_STREQ(b.peer, "192.168.1.2");
    EXPECT_STREQ(b.phone, "98765432109876543210");
    EXPECT_EQ(b.duration, 60u);
    EXPECT_EQ(b.charge, 0u);
    EXPECT_EQ(b.packets_out, 7u);
    EXPECT_EQ(b.packets_in, 8u);
}

// Every parser on every length of its fixture, from an exactly sized heap
// copy: short payloads are refused and nothing is read past the datagram
// (the sanitizer build catches a read beyond the copy).
TEST_F(Messages, ShortPayloadsAreRefusedWithoutReadingPastThem)
{
    struct Case {
        const char* name;
        const uint8_t* fixture;
        int full;
        int min;
        std::function<int(const uint8_t*, int)> parse;
    } cases[] = {
        {"scan", kScanReply, 16, SCAN_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             ScanAnswer a;
             return msg_parse_scan_reply(p, n, &a);
         }},
        {"state", kStateReply, 64, STATE_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             RouterState s;
             return msg_parse_state_reply(1, p, n, &s);
         }},
        {"open", kOpenReply, 44, OPEN_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             OpenReply r;
             return msg_parse_open_reply(p, n, &r);
         }},
        {"refused", kCloseReply, 8, CLOSE_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             OpenReply r;
             return msg_parse_open_refused(p, n, &r);
         }},
        {"status", kAccounting, 8, 4,
         [](const uint8_t* p, int n) {
             uint16_t s;
             return msg_parse_status_reply(p, n, &s);
         }},
        {"put entry", kAccounting, 12, PUT_ENTRY_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             uint8_t t;
             uint16_t s;
             return msg_parse_put_entry_reply(p, n, &t, &s);
         }},
        {"entry header", kAccounting, 12, GET_ENTRY_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             uint8_t t;
             uint16_t i;
             return msg_parse_entry_header(p, n, &t, &i);
         }},
        {"accounting", kAccounting, 32, GET_ACCOUNTING_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             AccountingCounters c;
             return msg_parse_accounting(p, n, &c);
         }},
        {"linemon", kLinemon, 86, LINEMON_DATA_MIN_LEN,
         [](const uint8_t* p, int n) {
             LineMonitorData d;
             return msg_parse_linemon(p, n, &d);
         }},
        {"fw reply", kAccounting, 8, FW_DOWNLOAD_REPLY_MIN_LEN,
         [](const uint8_t* p, int n) {
             uint32_t a;
             return msg_parse_fw_reply(p, n, &a);
         }},
    };
    for (const Case& c : cases) {
        for (int length = 0; length <= c.full; ++length) {
            Bytes copy(c.fixture, c.fixture + length);
            EXPECT_EQ(c.parse(copy.data(), length), length >= c.min ? 1 : 0)
                << c.name << " of " << length << " bytes";
        }
        EXPECT_EQ(c.parse(c.fixture, -1), 0) << c.name;
    }
}

// ---------------------------------------------------- entry replies ---

const uint8_t kLineReply[] = {
    0xEE, 0xEE,              // never read
    0xFF, 0x00, 0x05,        // table, index 5
    0x0A, 0x00, 0x00, 0x07,  // host
    '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0', '1', '2', '3', '4',
    '5',  '6',  '7',  '8',  '9',  '0',                     // phone, full width
    0x01, 0x05, 0xDC, 0x03, 0x01, 0x08, 0x07,              // x75 1500/3/1/8/7
    0x04, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,  // layer 3: code, then a
    0x55, 0x55, 0x55, 0x55, 0x55,                          // block that is not taken
    0x00, 0x14, 0x00, 0x01, 0x00,                          // timeout 20, flags
    'b',  'o',  'b',  0,    'p',  'w',  0,    'j',  'u',  'n', 'k', 0,   0,   0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,   0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,   0,  // send pair
    'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H',  'I',  'J', 'A', 'B', 'C', 'D',
    'E',  'F',  'G',  'H',  'I',  'J',  'A',  'B',  'C',  'D', 'E', 'F', 'G', 'H',
    'I',  'J',  'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H', 'I', 'J',  // receive pair, no NUL
};
static_assert(sizeof kLineReply == LINE_BODY_LEN + 2, "line reply fixture size");

const uint8_t kRouteReply[17] = {0xEE, 0xEE, 0xF0, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00,
                                 0xC0, 0xA8, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x01};

const uint8_t kFilterReply[27] = {0xEE, 0xEE, 0x0F, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x00,
                                  0x0A, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x06, 0x01, 0xAA, 0xBB, 0x00, 0x17};

struct Freed {
    void operator()(void* p) const { std::free(p); }
};

TEST_F(Messages, LineEntryReply)
{
    std::unique_ptr<LineTarget, Freed> t(highstate_parse_line_entry(kLineReply, 135));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->index, 5);
    EXPECT_STREQ(t->host, "10.0.0.7");
    EXPECT_STREQ(t->phone, "12345678901234567890");
    EXPECT_EQ(t->proto2_code, 1u);
    EXPECT_EQ(t->proto2_params.blocksize, 1500);
    EXPECT_EQ(t->proto2_params.addr_a, 3);
    EXPECT_EQ(t->proto2_params.addr_b, 1);
    EXPECT_EQ(t->proto2_params.modulo, 8);
    EXPECT_EQ(t->proto2_params.windowsize, 7);
    ASSERT_NE(t->proto2, nullptr);
    EXPECT_STREQ(t->proto2->name, "x75");
    EXPECT_EQ(t->proto3_code, 4u);
    // The layer-3 parameters are the first row's, not the 0x55 block.
    EXPECT_EQ(0, std::memcmp(t->proto3_params.param_words, s3_protocols[0].param_words,
                             sizeof t->proto3_params.param_words));
    EXPECT_EQ(t->proto3_params.param_byte, s3_protocols[0].param_byte);
    EXPECT_EQ(t->proto3, &s3_protocols[0]);
    EXPECT_EQ(t->timeout, 20);
    EXPECT_EQ(t->manual_only, 0);
    EXPECT_EQ(t->bundling, 1);
    EXPECT_EQ(t->compression, 0);
    EXPECT_STREQ(t->send_pair, "bob/pw");
    EXPECT_STREQ(t->receive_pair, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ");
    EXPECT_EQ(t->counters.charge, 0u);
    EXPECT_EQ(t->default_route, 0);
}

TEST_F(Messages, LineEntryWithoutMatchingDefinitions)
{
    uint8_t reply[135];
    std::memcpy(reply, kLineReply, sizeof reply);
    reply[30] = 0x04;  // blocksize 1024
    reply[31] = 0x00;
    reply[36] = 99;  // no layer-3 row has this code
    std::unique_ptr<LineTarget, Freed> t(highstate_parse_line_entry(reply, 135));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->proto2_params.blocksize, 1024);
    EXPECT_EQ(t->proto2, nullptr);
    EXPECT_EQ(t->proto3_code, 99u);
    EXPECT_EQ(t->proto3, nullptr);
}

TEST_F(Messages, PairsReadBackFromTheirFields)
{
    struct Case {
        std::string field;  // padded with NUL bytes to 40
        const char* pair;
    } cases[] = {
        {std::string("name\0pass\0junk", 14), "name/pass"},  // only the first NUL is "/"
        {std::string("\0pw", 3), ""},                        // empty name: empty pair
        {"name", "name/"},                                   // the padding's first NUL too
        {"", ""},
        {std::string(39, 'z'), "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz/"},
    };
    for (const Case& c : cases) {
        uint8_t reply[135];
        std::memcpy(reply, kLineReply, sizeof reply);
        std::memset(reply + 55, 0, 40);
        std::memcpy(reply + 55, c.field.data(), c.field.size());
        std::unique_ptr<LineTarget, Freed> t(highstate_parse_line_entry(reply, 135));
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->send_pair, c.pair);
        EXPECT_STREQ(t->receive_pair, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ");
    }
}

TEST_F(Messages, PairSurvivesAPackAndParseRoundTripWhereTheFormAllows)
{
    struct Case {
        const char* sent;
        const char* read;
    } cases[] = {
        {"alice/secret", "alice/secret"},
        {"alice/se/cret", "alice/se"},  // what followed the second slash is lost
        {"/secret", ""},
        {"abcdefghijABCDEFGHIJabcdefghijABCDEFGHIJ", "abcdefghijABCDEFGHIJabcdefghijABCDEFGHIJ"},
    };
    for (const Case& c : cases) {
        LineTarget t = sample_line();
        myutil_copy_text(t.send_pair, c.sent);
        uint8_t reply[135] = {0xEE, 0xEE};
        ASSERT_EQ(highstate_pack_line(&t, reply + 2, 133), 133);
        std::unique_ptr<LineTarget, Freed> back(highstate_parse_line_entry(reply, 135));
        ASSERT_NE(back, nullptr);
        EXPECT_STREQ(back->send_pair, c.read) << c.sent;
        EXPECT_STREQ(back->receive_pair, "");  // "/pw": empty name
    }
}

TEST_F(Messages, RouteAndFilterEntryReplies)
{
    std::unique_ptr<RouteEntry, Freed> r(highstate_parse_route_entry(kRouteReply, 17));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->index, 1);
    EXPECT_STREQ(r->mask, "255.255.255.0");
    EXPECT_STREQ(r->match, "192.168.1.0");
    EXPECT_STREQ(r->gateway, "10.0.0.1");

    std::unique_ptr<FilterEntry, Freed> f(highstate_parse_filter_entry(kFilterReply, 27));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->index, 2);
    EXPECT_STREQ(f->send_mask, "255.255.255.0");
    EXPECT_STREQ(f->send_match, "10.0.0.5");
    EXPECT_EQ(f->protocol, 6);
    EXPECT_EQ(f->action, 1);
    EXPECT_EQ(f->port, 23);
}

// An empty slot comes as 5 or 6 bytes; anything longer must be the whole
// entry, and a reply cut in between is refused.
TEST_F(Messages, EntryRepliesAreAnEmptySlotOrTheWholeEntry)
{
    struct Case {
        const char* name;
        const uint8_t* fixture;
        int whole;
        std::function<void*(const uint8_t*, int)> parse;
        std::function<int32_t(void*)> index;
        std::function<const char*(void*)> key;
    } cases[] = {
        {"line", kLineReply, 135,
         [](const uint8_t* p, int n) -> void* { return highstate_parse_line_entry(p, n); },
         [](void* e) { return static_cast<LineTarget*>(e)->index; },
         [](void* e) -> const char* { return static_cast<LineTarget*>(e)->host; }},
        {"route", kRouteReply, 17,
         [](const uint8_t* p, int n) -> void* { return highstate_parse_route_entry(p, n); },
         [](void* e) { return static_cast<RouteEntry*>(e)->index; },
         [](void* e) -> const char* { return static_cast<RouteEntry*>(e)->mask; }},
        {"filter", kFilterReply, 27,
         [](const uint8_t* p, int n) -> void* { return highstate_parse_filter_entry(p, n); },
         [](void* e) { return static_cast<FilterEntry*>(e)->index; },
         [](void* e) -> const char* { return static_cast<FilterEntry*>(e)->send_mask; }},
    };
    for (const Case& c : cases) {
        for (int length = -1; length <= c.whole; ++length) {
            Bytes copy(c.fixture, c.fixture + (length < 0 ? 0 : length));
            std::unique_ptr<void, Freed> e(c.parse(copy.data(), length));
            if (length < 5 || (length > 6 && length < c.whole)) {
                EXPECT_EQ(e, nullptr) << c.name << " of " << length << " bytes";
            } else if (length <= 6) {
                ASSERT_NE(e, nullptr) << c.name << " of " << length;
                EXPECT_EQ(c.index(e.get()), c.fixture[3] * 256 + c.fixture[4]) << c.name;
                EXPECT_STREQ(c.key(e.get()), "") << c.name;
            } else {
                ASSERT_NE(e, nullptr) << c.name;
                EXPECT_STRNE(c.key(e.get()), "") << c.name;
            }
        }
    }
}

}  // namespace
