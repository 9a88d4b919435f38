#include "emergency_copies.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* DIRECTORY = "/tmp";
constexpr const char* PREFIX = "save.cfg.";

// The number of a copy's name, or 0 for any other name.
long number_of(const char* name)
{
    const size_t prefix = std::strlen(PREFIX);
    if (std::strncmp(name, PREFIX, prefix) != 0 || name[prefix] == '\0')
        return 0;
    for (const char* p = name + prefix; *p != '\0'; ++p)
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return 0;
    return std::strtol(name + prefix, nullptr, 10);
}

long number_of_path(const std::string& path)
{
    return number_of(path.c_str() + std::strlen(DIRECTORY) + 1);
}

}  // namespace

std::set<std::string> kept_emergency_copies()
{
    std::set<std::string> copies;
    DIR* dir = opendir(DIRECTORY);
    if (dir == nullptr)
        return copies;
    while (const dirent* entry = readdir(dir))
        if (number_of(entry->d_name) > 0)
            copies.insert(std::string(DIRECTORY) + "/" + entry->d_name);
    closedir(dir);
    return copies;
}

std::vector<std::string> emergency_copies_since(const std::set<std::string>& before)
{
    std::vector<std::string> made;
    for (const std::string& copy : kept_emergency_copies())
        if (before.count(copy) == 0)
            made.push_back(copy);
    std::sort(made.begin(), made.end(), [](const std::string& a, const std::string& b) {
        return number_of_path(a) < number_of_path(b);
    });
    return made;
}

void remove_emergency_copies_since(const std::set<std::string>& before)
{
    for (const std::string& copy : emergency_copies_since(before))
        std::remove(copy.c_str());
}
