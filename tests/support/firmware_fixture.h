// Firmware images for the tests: an image the loader and the patcher accept
// (size, marker bytes and patch-area paragraph as the routers' images carry
// them), filled with a known pattern, written as "fw_1tr6.<version>" or
// "fw_dss1.<version>" into a directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t FW_FIXTURE_SIZE = 0x60000;             // smallest image the patcher takes
constexpr size_t FW_FIXTURE_MARKER_AT = 0x5FFFC;        // 0x24 0x42
constexpr size_t FW_FIXTURE_POINTER_AT = 0x5FFF6;       // u16 LE paragraph of the patch area
constexpr uint16_t FW_FIXTURE_PARAGRAPH_BASE = 0x8000;  // paragraph of the image's start

struct FirmwareFixtureLayout {
    size_t size = FW_FIXTURE_SIZE;                   // bytes of the image
    uint16_t paragraph = FW_FIXTURE_PARAGRAPH_BASE;  // patch area at (p - 0x8000) * 16
    bool marker = true;                              // false: the marker bytes are wrong
};

// The pattern byte at `offset` of every fixture image (marker and pointer
// bytes excepted, where the image is large enough to hold them).
uint8_t firmware_fixture_filler(size_t offset);

// The bytes of an image with this layout.
std::vector<uint8_t> firmware_fixture_bytes(const FirmwareFixtureLayout& layout = {});

// "fw_1tr6.<version>" for ISDN mode 0, "fw_dss1.<version>" otherwise.
std::string firmware_fixture_name(int isdn_mode, const std::string& version);

// Writes the image into `dir` under its name; returns its path, or "" when
// the file cannot be written.
std::string firmware_fixture_write(const std::string& dir, int isdn_mode,
                                   const std::string& version,
                                   const FirmwareFixtureLayout& layout = {});
