// Writes files beside their names and puts them in place once complete.
#include "safe_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "myutil.h"

namespace {

// Guards against a name that keeps changing under a saver for ever; each
// round that starts again means another process has put a copy in place.
constexpr int kMaxRounds = 10000;
constexpr long kLockPollNs = 1000000;  // 1 ms between tries of a lock held by another saver

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool same_inode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string directory_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_name_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A rename is only as durable as the directory that holds the new name.
void sync_directory(const std::string& path)
{
    Descriptor dir(open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        fsync(dir.get());
}

}  // namespace

// A new file "<prefix>.XXXXXX" of mode 0600, made without replacing anything
// (and so never through a link), removed again unless it was settled.
class TempFile {
public:
    TempFile() = default;
    ~TempFile()
    {
        if (stream_ != nullptr)
            std::fclose(stream_);
        if (!name_.empty())
            unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool create(const std::string& prefix)
    {
        std::string name = prefix + ".XXXXXX";
        const int fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd < 0)
            return false;
        stream_ = fdopen(fd, "w");
        if (stream_ == nullptr) {
            const int error = errno;
            close(fd);
            unlink(name.c_str());
            errno = error;
            return false;
        }
        name_ = name;
        return true;
    }
    std::FILE* stream() const { return stream_; }
    int fd() const { return stream_ != nullptr ? fileno(stream_) : -1; }
    const std::string& name() const { return name_; }
    // Everything written is on the disk and the stream closed.
    bool finish()
    {
        if (stream_ == nullptr)
            return false;
        bool ok = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        ok = fsync(fileno(stream_)) == 0 && ok;
        // A full disk often shows only here.
        ok = std::fclose(stream_) == 0 && ok;
        stream_ = nullptr;
        return ok;
    }
    // The file has its place (at the name, or under its own): nothing to remove.
    void settle() { name_.clear(); }

private:
    std::FILE* stream_ = nullptr;
    std::string name_;
};

namespace {

// The process's umask, which can only be read by setting it.
mode_t current_umask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Waits for the lock that another saver of this user holds while it puts its
// copy in place; false when it does not come in time. A file system without
// locks leaves the savers as they were before locks.
bool lock_until(int fd, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        struct timespec pause = {0, kLockPollNs};
        nanosleep(&pause, nullptr);
    }
}

// Whether the file `name` holds the same bytes as the open file `fd`.
bool same_contents(const std::string& name, int fd)
{
    Descriptor other(open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (other.get() < 0)
        return false;
    char a[4096];
    char b[4096];
    for (off_t at = 0;;) {
        const ssize_t na = pread(other.get(), a, sizeof a, at);
        const ssize_t nb = pread(fd, b, sizeof b, at);
        if (na < 0 || nb < 0 || na != nb || std::memcmp(a, b, static_cast<size_t>(na)) != 0)
            return false;
        if (na == 0)
            return true;
        at += na;
    }
}

std::string numbered(const std::string& path, int n)
{
    return path + "." + std::to_string(n);
}

// Whether the copy `st` at `path` already has a numbered name too (a saver
// ended between keeping it and putting its own copy in place).
bool already_kept(const std::string& path, const struct stat& st, int keep_max)
{
    if (st.st_nlink < 2)
        return false;
    for (int n = 1; n <= keep_max; ++n) {
        struct stat other;
        if (lstat(numbered(path, n).c_str(), &other) == 0 && same_inode(st, other))
            return true;
    }
    return false;
}

// Gives the copy at `path`, whose status is `st`, the first free numbered
// name. link() claims a name only where nothing stands, not even a dangling
// link, and never writes through one, so two savers never claim one name.
// Returns the name, or "" when none could be made.
std::string keep_earlier_copy(const std::string& path, const struct stat& st, int keep_max)
{
    for (int n = 1; n <= keep_max; ++n) {
        const std::string kept = numbered(path, n);
        if (link(path.c_str(), kept.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return "";
        }
        // Only the owner can replace a name of his in a sticky directory, but
        // where that does not hold, the name may have changed since the check.
        struct stat now;
        if (lstat(kept.c_str(), &now) != 0 || !same_inode(now, st)) {
            unlink(kept.c_str());
            return "";
        }
        return kept;
    }
    return "";
}

// Puts the finished file `temp` at `path`. A free name is claimed by link(),
// which fails where anything stands. A regular file of this user's there is
// replaced by rename(), which never follows a link; with EarlierFile::Keep
// only under the lock of that file and once it has a numbered name of its
// own, so that of several savers at once each keeps the copy it replaces.
bool put_in_place(const std::string& temp, const std::string& path, EarlierFile earlier,
                  int keep_max)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(SAFE_LOCK_WAIT_MS);
    for (int round = 0; round < kMaxRounds; ++round) {
        if (link(temp.c_str(), path.c_str()) == 0) {
            unlink(temp.c_str());
            return true;
        }
        if (errno != EEXIST)
            return false;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue;  // gone since: the name is free again
            return false;
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != geteuid())
            return false;
        if (earlier == EarlierFile::Replace)
            return std::rename(temp.c_str(), path.c_str()) == 0;

        Descriptor held(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened;
        if (held.get() < 0 || fstat(held.get(), &opened) != 0) {
            if (errno == ENOENT)
                continue;
            return false;
        }
        if (!same_inode(st, opened))
            continue;
        if (!lock_until(held.get(), deadline))
            return false;
        // Whoever held the lock has put its own copy at the name meanwhile;
        // that one is the copy to keep now.
        if (lstat(path.c_str(), &st) != 0 || !same_inode(st, opened))
            continue;
        // The same tables saved again (a router read once more) lose nothing
        // when they replace their copy; kept, every run would add one.
        std::string kept;
        if (!same_contents(temp, held.get()) && !already_kept(path, opened, keep_max)) {
            kept = keep_earlier_copy(path, opened, keep_max);
            if (kept.empty())
                return false;
        }
        if (std::rename(temp.c_str(), path.c_str()) == 0)
            return true;
        if (!kept.empty())
            unlink(kept.c_str());  // the earlier copy still stands at `path`
        return false;
    }
    return false;
}

}  // namespace

// ------------------------------------------------------------ user files ---

UserFile::UserFile() = default;
UserFile::~UserFile() = default;

bool UserFile::open(const char* path, NewFileMode mode)
{
    temp_.reset();
    target_.clear();
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return false;
    }
    std::string target = path;
    struct stat st;
    bool exists = false;
    if (lstat(path, &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // In a shared directory a link may be someone's trap.
            if (st.st_uid != geteuid()) {
                errno = ELOOP;
                return false;
            }
            char* real = realpath(path, nullptr);
            if (real == nullptr)
                return false;
            target = real;
            std::free(real);
            if (lstat(target.c_str(), &st) != 0)
                return false;
        }
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            errno = ENODEV;
            return false;
        }
        // A write-protected file stays protected.
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return false;
        exists = true;
    } else if (errno != ENOENT) {
        return false;
    }

    auto temp = std::make_unique<TempFile>();
    if (!temp->create(target))
        return false;
    if (exists) {
        // The owner first: a change of owner may clear the set-id bits.
        if (fchown(temp->fd(), st.st_uid, st.st_gid) != 0 &&
            fchown(temp->fd(), static_cast<uid_t>(-1), st.st_gid) != 0) {
            // Only root may give a file away, and only a member keep its
            // group: the file is then the user's own, in the user's group.
        }
        fchmod(temp->fd(), st.st_mode & 07777);
    } else if (mode == NewFileMode::Umask) {
        fchmod(temp->fd(), 0666 & ~current_umask());
    }
    temp_ = std::move(temp);
    target_ = target;
    return true;
}

std::FILE* UserFile::stream() const
{
    return temp_ != nullptr ? temp_->stream() : nullptr;
}

bool UserFile::commit()
{
    if (temp_ == nullptr)
        return false;
    bool ok = temp_->finish();
    ok = ok && std::rename(temp_->name().c_str(), target_.c_str()) == 0;
    if (ok) {
        temp_->settle();
        sync_directory(target_);
    }
    temp_.reset();
    return ok;
}

// ---------------------------------------------------------- shared names ---

int safe_file_save_shared(const char* path, EarlierFile earlier, int keep_max, OtherPlace other,
                          const std::function<bool(std::FILE*)>& write, SavedName* saved)
{
    if (saved != nullptr)
        saved->path[0] = '\0';
    if (path == nullptr || path[0] == '\0')
        return 0;
    std::string places[2] = {path, std::string()};
    const char* home = std::getenv("HOME");
    if (other == OtherPlace::Home && home != nullptr && home[0] == '/')
        places[1] = std::string(home) + "/" + base_name_of(path);

    for (const std::string& place : places) {
        if (place.empty())
            continue;
        TempFile temp;
        if (!temp.create(place))
            continue;
        if (!write(temp.stream()) || !temp.finish())
            continue;
        std::string final_name = temp.name();
        if (&place == &places[0] && put_in_place(temp.name(), path, earlier, keep_max))
            final_name = path;
        temp.settle();
        sync_directory(final_name);
        if (saved != nullptr)
            myutil_copy_text(saved->path, final_name.c_str());
        return 1;
    }
    return 0;
}
