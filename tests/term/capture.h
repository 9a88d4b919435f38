// Captures what the code under test writes on standard output or standard
// error (descriptor and C stream) from construction until text() is called.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

class Capture {
public:
    explicit Capture(int fd) : fd_(fd)
    {
        flush();
        char name[] = "/tmp/term-capture-XXXXXX";
        file_ = mkstemp(name);
        unlink(name);
        saved_ = dup(fd_);
        dup2(file_, fd_);
    }
    ~Capture()
    {
        restore();
        if (file_ >= 0)
            close(file_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::string text()
    {
        restore();
        std::string all;
        lseek(file_, 0, SEEK_SET);
        char buffer[4096];
        ssize_t n;
        while ((n = read(file_, buffer, sizeof buffer)) > 0)
            all.append(buffer, static_cast<size_t>(n));
        return all;
    }

private:
    void flush() { std::fflush(fd_ == 1 ? stdout : stderr); }
    void restore()
    {
        if (saved_ < 0)
            return;
        flush();
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    int fd_;
    int file_ = -1;
    int saved_ = -1;
};
