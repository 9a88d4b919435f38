// A directory of its own for one test, removed with everything in it when the
// object goes. As a data directory it is also named by QORVEL_PATH for as long
// as it lives, which is how the programs and the back end find their files.
#pragma once

#include <string>

class TempDir {
public:
    enum Use { PLAIN, DATA_DIR };

    // `prefix` names the directory under /tmp (for whoever finds one left by a
    // killed test). path() is empty when it could not be made.
    explicit TempDir(const char* prefix, Use use = PLAIN);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& text) const;
    std::string read(const std::string& name) const;  // empty when missing
    bool exists(const std::string& name) const;
    void remove(const std::string& name) const;

private:
    std::string path_;
    bool data_dir_;
};
