// Lists the firmware images of the data directory by their versions.
#include "firmware_list.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "myutil.h"

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

char* new_text(const std::string& text)
{
    char* copy = static_cast<char*>(myutil_malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

const char* firmware_list_prefix(int isdn_mode)
{
    return isdn_mode == 0 ? FIRMWARE_LIST_PREFIX_1TR6 : FIRMWARE_LIST_PREFIX_DSS1;
}

int helpfunc_scandir(const char* prefix, char*** names)
{
    // One slot more than the texts, so the array always ends in a null
    // reference and callers can free it whatever happened.
    char** array = static_cast<char**>(myutil_malloc((FIRMWARE_LIST_MAX + 1) * sizeof(char*)));
    if (names != nullptr)
        *names = array;
    if (prefix == nullptr || names == nullptr) {
        if (names == nullptr)
            std::free(array);
        return 0;
    }

    const char* dir_name = std::getenv("QORVEL_PATH");
    DirHandle dir(opendir(dir_name != nullptr && *dir_name != '\0' ? dir_name : "."));
    if (!dir)
        return 0;

    const size_t prefix_len = std::strlen(prefix);
    std::vector<std::string> versions;
    while (const dirent* entry = readdir(dir.get())) {
        if (std::strncmp(entry->d_name, prefix, prefix_len) == 0) {
            versions.emplace_back(entry->d_name + prefix_len);
        }
    }
    dir.reset();

    // Sorting before cutting keeps the choice independent of directory order.
    std::sort(versions.begin(), versions.end(), [](const std::string& a, const std::string& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    const size_t count = std::min(versions.size(), static_cast<size_t>(FIRMWARE_LIST_MAX));
    for (size_t i = 0; i < count; ++i)
        array[i] = new_text(versions[i]);
    return static_cast<int>(count);
}
