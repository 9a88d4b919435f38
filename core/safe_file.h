// Files the programs write: always as a new file beside the name, put at the
// name only once it is complete and on disk, so that a full disk or a
// failure half-way leaves the old file as it was. Nothing that is not a
// regular file is ever opened for writing, so a FIFO, a device or a
// directory under the name is refused at once instead of blocking.
//
// Two kinds of names:
// - a file the user named (configuration file, accounting text, report):
//   UserFile below. A new file gets the mode asked for; a file
//   replaced keeps its mode (and its owner where the system allows).
// - a name in a directory other users may share ("/tmp/save.cfg",
//   "qorvel.add" in a shared data directory): safe_file_save_shared. No link
//   is followed and no other user's file is written or replaced; where the
//   name cannot be used safely the file keeps a name of its own that no one
//   else can take, and the caller is told that name.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

constexpr size_t SAFE_PATH_SIZE = 4096;  // bytes of a file name, terminator included

// The name a file was saved under; empty when nothing was written.
struct SavedName {
    char path[SAFE_PATH_SIZE];
};

// How long a saver waits for another process of this user to finish putting
// its copy at the same name before it keeps its own under a name of its own.
constexpr int SAFE_LOCK_WAIT_MS = 2000;

// How a new file (no file at the name before) is made.
enum class NewFileMode {
    OwnerOnly,  // 0600: it holds passwords
    Umask,      // 0666 less the process's umask, as any created file
};

class TempFile;  // the new file beside the name (safe_file.cpp)

// A file being written for the user. open() checks the name and creates the
// new file beside the file it names; commit() puts it there. Destroyed
// without a commit, it removes its new file and leaves the name untouched.
class UserFile {
public:
    UserFile();
    ~UserFile();
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

    // False, with errno set, when `path` names anything but a regular file or
    // a new name (ENODEV for a FIFO, device or socket, EISDIR for a
    // directory), a file this user may not write (EACCES), a symbolic link of
    // another user's (ELOOP), or when no new file can be made beside it.
    // A link of this user's own is followed to the file it names.
    bool open(const char* path, NewFileMode mode);
    // The stream to write to; null until opened.
    std::FILE* stream() const;
    // Flushes, syncs and puts the file at its name. False when anything
    // written did not reach the disk; the old file is then as it was.
    bool commit();

private:
    std::unique_ptr<TempFile> temp_;
    std::string target_;
};

// What happens to a file found at a shared name.
enum class EarlierFile {
    Replace,  // this user's regular file is replaced
    Keep,     // it keeps its contents under "<name>.N" (unless it holds the same bytes)
};

// Where a shared file may go when its name's directory has no room for it.
enum class OtherPlace {
    Nowhere,  // the save fails
    Home,     // the user's home directory ($HOME), as "<home>/<base name>.XXXXXX"
};

// Writes a file of mode 0600 with `write` (which returns false on a failure
// of its own) and puts it at `path`. With EarlierFile::Keep an earlier file
// at `path` is never lost to it: it gets the first free of "<path>.1" to
// "<path>.<keep_max>", claimed without replacing anything. When `path` holds
// anything but a regular file of this user's (a link, a FIFO, a directory,
// another user's file), when no number is free, or when another saver does
// not finish in SAFE_LOCK_WAIT_MS, the new file keeps its own name
// "<path>.XXXXXX" beside it. Returns 1 with saved->path the name the file
// got, or 0 (saved->path empty) when no place took it.
int safe_file_save_shared(const char* path, EarlierFile earlier, int keep_max, OtherPlace other,
                          const std::function<bool(std::FILE*)>& write, SavedName* saved);
