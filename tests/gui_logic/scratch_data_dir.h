// A data directory of its own for one test: made under /tmp, named by
// QORVEL_PATH while it lives (the variable's earlier value comes back
// afterwards), and removed with everything in it.
#pragma once

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class ScratchDataDir {
public:
    ScratchDataDir()
    {
        const char* old = std::getenv("QORVEL_PATH");
        had_old_ = old != nullptr;
        if (had_old_)
            old_ = old;
        std::vector<char> name(std::begin(TEMPLATE), std::end(TEMPLATE));
        if (mkdtemp(name.data()) != nullptr)
            path_ = name.data();
        setenv("QORVEL_PATH", path_.c_str(), 1);
    }
    ~ScratchDataDir()
    {
        if (had_old_)
            setenv("QORVEL_PATH", old_.c_str(), 1);
        else
            unsetenv("QORVEL_PATH");
        if (!path_.empty())
            nftw(path_.c_str(), remove_one, 16, FTW_DEPTH | FTW_PHYS);
    }
    ScratchDataDir(const ScratchDataDir&) = delete;
    ScratchDataDir& operator=(const ScratchDataDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& contents) const
    {
        std::ofstream out(file(name), std::ios::binary);
        out << contents;
    }
    void make_dir(const std::string& name) const { ::mkdir(file(name).c_str(), 0700); }
    void make_fifo(const std::string& name) const { ::mkfifo(file(name).c_str(), 0600); }
    void make_link(const std::string& name, const std::string& target) const
    {
        int ignored = ::symlink(target.c_str(), file(name).c_str());
        (void)ignored;
    }

private:
    static constexpr char TEMPLATE[] = "/tmp/qorvel-gui-logic-XXXXXX";
    static int remove_one(const char* path, const struct stat*, int, struct FTW*)
    {
        std::remove(path);
        return 0;
    }
    std::string path_;
    std::string old_;
    bool had_old_ = false;
};
