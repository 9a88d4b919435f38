#include "firmware_versions.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "firmware_image.h"
#include "firmware_list.h"
#include "myutil.h"

namespace {

// The data directory's texts, released whatever happens.
struct ScannedNames {
    char** names = nullptr;
    int count = 0;
    ~ScannedNames()
    {
        if (names == nullptr)
            return;
        for (int i = 0; i <= FIRMWARE_LIST_MAX && names[i] != nullptr; ++i)
            std::free(names[i]);
        std::free(names);
    }
};

bool fits_record(const char* version)
{
    size_t length = std::strlen(version);
    return length > 0 && length <= static_cast<size_t>(FIRMWARE_LEN);
}

bool names_regular_file(int family, const char* version)
{
    // The path the download will load, so what is offered is what is loaded.
    std::string path = file_firmware_path(family, version);
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::vector<std::string> firmware_versions(int family)
{
    std::vector<std::string> versions;
    if (family != FIRMWARE_FAMILY_1TR6 && family != FIRMWARE_FAMILY_DSS1)
        return versions;
    ScannedNames scanned;
    scanned.count = helpfunc_scandir(firmware_list_prefix(family), &scanned.names);
    if (scanned.names == nullptr)
        return versions;
    for (int i = 0; i < scanned.count && i < FIRMWARE_LIST_MAX; ++i) {
        const char* version = scanned.names[i];
        if (version != nullptr && fits_record(version) && names_regular_file(family, version))
            versions.emplace_back(version);
    }
    return versions;
}

int helpfunc_get_firmware_vers(int family, std::string* first)
{
    std::vector<std::string> versions = firmware_versions(family);
    if (first != nullptr)
        *first = versions.empty() ? std::string() : versions.front();
    return static_cast<int>(versions.size());
}

void firmware_choice_clear(FirmwareChoice* choice)
{
    if (choice == nullptr)
        return;
    choice->made = false;
    choice->version[0] = '\0';
}

void firmware_choice_select(FirmwareChoice* choice, const char* item)
{
    if (choice == nullptr)
        return;
    firmware_choice_clear(choice);
    if (item == nullptr || !fits_record(item))
        return;
    myutil_copy_text(choice->version, item);
    choice->made = true;
}

bool firmware_choice_made(const FirmwareChoice& choice)
{
    return choice.made;
}
