#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

TempDir::TempDir(const char* prefix, Use use) : data_dir_(use == DATA_DIR)
{
    std::string templ = std::string("/tmp/") + prefix + ".XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr)
        path_ = name.data();
    if (data_dir_)
        setenv("QORVEL_PATH", path_.c_str(), 1);
}

TempDir::~TempDir()
{
    if (data_dir_)
        unsetenv("QORVEL_PATH");
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& text) const
{
    std::ofstream(file(name), std::ios::binary) << text;
}

std::string TempDir::read(const std::string& name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempDir::exists(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::exists(file(name), ignored);
}

void TempDir::remove(const std::string& name) const
{
    std::error_code ignored;
    std::filesystem::remove(file(name), ignored);
}
