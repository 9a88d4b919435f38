// Firmware images: loading an image file into memory and patching the
// router's settings and tables into its patch area as fixed-layout records.
// The file itself is never changed; only the copy in memory is patched.
//
// Image layout relied on (offsets from the image's start):
//   size          at least FIRMWARE_MIN_SIZE bytes
//   0x5FFFC/D     marker bytes 0x24 0x42
//   0x5FFF6       little-endian paragraph number P: the patch area starts
//                 (P - FIRMWARE_PATCH_BASE) * FIRMWARE_PARAGRAPH bytes in
// Records are little-endian except their checksum (high byte first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "records.h"

struct ListObject;

// ------------------------------------------------------------ layout ---

constexpr size_t FIRMWARE_MIN_SIZE = 0x60000;       // bytes
constexpr size_t FIRMWARE_MARKER_OFFSET = 0x5FFFC;  // two marker bytes
constexpr uint8_t FIRMWARE_MARKER_0 = 0x24;
constexpr uint8_t FIRMWARE_MARKER_1 = 0x42;
constexpr size_t FIRMWARE_PATCH_PTR_OFFSET = 0x5FFF6;  // u16 LE paragraph number
constexpr uint16_t FIRMWARE_PATCH_BASE = 0x8000;       // paragraph of the image's start
constexpr size_t FIRMWARE_PARAGRAPH = 16;              // bytes per paragraph

constexpr uint16_t PATCH_MAGIC = 0xBEEF;  // every record's first two bytes (EF BE)
constexpr int PATCH_HEADER_LEN = 10;      // magic, checksum, type, length, index

constexpr uint16_t PATCH_TYPE_ROUTER = 1;
constexpr uint16_t PATCH_TYPE_LINE = 2;
constexpr uint16_t PATCH_TYPE_ROUTE = 3;
constexpr uint16_t PATCH_TYPE_FILTER = 4;

constexpr int PATCH_ROUTER_LEN = 70;  // bytes of each record, header included
constexpr int PATCH_LINE_LEN = 164;
constexpr int PATCH_ROUTE_LEN = 28;
constexpr int PATCH_FILTER_LEN = 32;

constexpr uint16_t PATCH_ROUTER_CONSTANT = 1504;  // router record, offset 22

// Results of firmware_open.
constexpr int FIRMWARE_OPEN_OK = 0;
constexpr int FIRMWARE_OPEN_TOO_SMALL = 1;  // smaller than FIRMWARE_MIN_SIZE
constexpr int FIRMWARE_OPEN_NO_MARKER = 2;  // marker bytes wrong
constexpr int FIRMWARE_OPEN_NO_ROOM = 3;    // patch area outside the image or too small

// ------------------------------------------------------------ records ---

// A loaded image file. The caller owns both blocks (standard free, or
// file_free_firmware).
struct FirmwareImage {
    uint8_t* data;  // the whole file
    int32_t size;   // its length in bytes
};

// Where the patcher writes next.
struct FirmwarePatch {
    FirmwareImage* image;  // the image being patched
    size_t position;       // offset of the next record
};

// ---------------------------------------------------------- functions ---

// The image file for an ISDN mode (0 "fw_1tr6.", otherwise "fw_dss1.") and a
// firmware version, in QORVEL_PATH when it is set, else relative to the
// working directory.
std::string file_firmware_path(int isdn_mode, const char* version);

// Reads the whole file into a new image; null when it is not a regular file,
// cannot be opened or read to its full size, or is larger than an image's
// 32-bit size can hold.
FirmwareImage* file_load_firmware(const char* path);

// Releases an image and its data; null is ignored.
void file_free_firmware(FirmwareImage* image);

// Appends the router record and the records of the three lists (null: no
// records; line targets without both protocol rows are skipped) to the
// image's patch area. 1 when written; 0, with the image untouched, when the
// image fails the checks or the records would not fit inside it.
int firmware_do_patch(FirmwareImage* image, const RouterSettings* settings, ListObject* lines,
                      ListObject* routes, ListObject* filters);

// Checks the image and that `needed` bytes of records fit from the start of
// its patch area; on FIRMWARE_OPEN_OK the patch is positioned there.
int firmware_open(FirmwarePatch* patch, FirmwareImage* image, size_t needed);
void firmware_close(FirmwarePatch* patch);

// Record writers: each fills, checksums and appends one record at the
// patch's position and returns 1; 0 (nothing written) when the record would
// run past the image's end, or for a line target without both protocol
// rows. `index` counts the records of its type written before.
int firmware_patch_router(FirmwarePatch* patch, const RouterSettings* settings);
int firmware_patch_line(FirmwarePatch* patch, const LineTarget* line, uint16_t index);
int firmware_patch_route(FirmwarePatch* patch, const RouteEntry* route, uint16_t index);
int firmware_patch_filter(FirmwarePatch* patch, const FilterEntry* filter, uint16_t index);

// RFC 1071 checksum of `length` bytes taken as big-endian 16-bit words (an
// odd last byte padded with zero).
uint16_t firmware_checksum(const uint8_t* data, size_t length);
