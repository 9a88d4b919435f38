// Firmware image fixtures.
#include "firmware_fixture.h"

#include <cstdio>
#include <memory>

uint8_t firmware_fixture_filler(size_t offset)
{
    // Varies with the offset, so a record written at the wrong place or a
    // stray byte shows against the untouched image.
    return static_cast<uint8_t>((offset * 31 + offset / 256 + 7) & 0xFF);
}

std::vector<uint8_t> firmware_fixture_bytes(const FirmwareFixtureLayout& layout)
{
    std::vector<uint8_t> image(layout.size);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = firmware_fixture_filler(i);
    if (image.size() >= FW_FIXTURE_POINTER_AT + 2) {
        image[FW_FIXTURE_POINTER_AT] = static_cast<uint8_t>(layout.paragraph);
        image[FW_FIXTURE_POINTER_AT + 1] = static_cast<uint8_t>(layout.paragraph >> 8);
    }
    if (image.size() >= FW_FIXTURE_MARKER_AT + 2) {
        image[FW_FIXTURE_MARKER_AT] = layout.marker ? 0x24 : 0x42;
        image[FW_FIXTURE_MARKER_AT + 1] = layout.marker ? 0x42 : 0x24;
    }
    return image;
}

std::string firmware_fixture_name(int isdn_mode, const std::string& version)
{
    return (isdn_mode != 0 ? "fw_dss1." : "fw_1tr6.") + version;
}

std::string firmware_fixture_write(const std::string& dir, int isdn_mode,
                                   const std::string& version, const FirmwareFixtureLayout& layout)
{
    std::string path = dir + "/" + firmware_fixture_name(isdn_mode, version);
    std::vector<uint8_t> image = firmware_fixture_bytes(layout);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return "";
    if (!image.empty() && std::fwrite(image.data(), 1, image.size(), file.get()) != image.size())
        return "";
    if (std::fflush(file.get()) != 0)
        return "";
    return path;
}
