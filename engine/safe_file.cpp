#include "engine/safe_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/game_path.h"

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

const char kNotRegular[] = "it is not a regular file";
const char kReadOnly[] = "the file is read-only";

// Follows `path` through its chain of symbolic links to the file a write
// would reach, so that the link the user made stays a link. A link to
// nothing yet gives the path it names. False, with errno, for a loop or an
// unreadable link.
bool FollowLinks(std::string* path) {
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        struct stat info;
        if (lstat(path->c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char target[PATH_MAX];
        ssize_t length = readlink(path->c_str(), target, sizeof(target));
        if (length < 0)
            return false;
        if (length == 0 || static_cast<size_t>(length) >= sizeof(target)) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::string next(target, static_cast<size_t>(length));
        size_t slash = path->rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = path->substr(0, slash + 1) + next;
        *path = next;
    }
    errno = ELOOP;
    return false;
}

// Why the user's file at `path` must not be written over, or null when it
// may be. A file with no write bit for anyone has plainly been made
// read-only on purpose, so that counts as protected even for root, who may
// write anything: the game then behaves the same whoever runs it. Anything
// else is for access() to decide, with the system's own reason.
const char* WhyNotWritable(const char* path, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES;
        return kReadOnly;
    }
    if (faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0)
        return std::strerror(errno);
    return nullptr;
}

// Says in one line why `path` was not saved, and leaves errno at `error`.
bool Refuse(const char* path, const std::string& reason, bool present, int error) {
    std::printf("Cannot save %s: %s%s\n", PrintablePath(path).c_str(), reason.c_str(),
                present ? "; it is left as it was." : ".");
    errno = error;
    return false;
}

// A new file belongs to whoever runs the game. Root can give it back to the
// old owner; a plain user can at least keep the old group when a member of
// it. False when it stays the game's, which is no reason to fail a save.
bool KeepOwner(int fd, const struct stat& old) {
    return fchown(fd, old.st_uid, old.st_gid) == 0 ||
           fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
}

// The temporary file, always made afresh; with an old file, its owner and
// permission bits, so that the rename changes nothing but the contents.
// -1 with errno on failure.
int CreateTemporary(const std::string& temp, const struct stat* old) {
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 || old == nullptr)
        return fd;
    // Owner first: a change of owner clears the set-id bits.
    KeepOwner(fd, *old);
    if (fchmod(fd, old->st_mode & 07777) != 0) {
        const int error = errno;
        close(fd);
        std::remove(temp.c_str());
        errno = error;
        return -1;
    }
    return fd;
}

// The rename lives in the folder, not in the file: until the folder is
// synced, a power cut can bring the old file back. By now the new file is
// in place and every reader sees it, so calling the save failed would be
// untrue, and a caller might act on it; a folder that cannot be synced
// does not fail the save. Where nothing is wrong (a folder the player may
// write but not read, a file system that cannot sync folders) it stays
// silent; any other failure is a fault of the disk, and is said.
void SyncFolderOf(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    if (error != 0 && error != EINVAL)
        std::printf("Saved %s, but its folder cannot be synced (%s): a power cut now may bring "
                    "back the old file\n",
                    PrintablePath(target).c_str(), std::strerror(error));
}

int Fail(const char** why, const char* reason) {
    if (why != nullptr)
        *why = reason;
    return -1;
}

// Opens `path` with `flags` only when it is a regular file. The first check
// keeps devices from being opened at all; the second covers a file swapped
// for one in between, and O_NONBLOCK keeps that open from waiting on the
// other end of a FIFO.
int OpenRegular(const char* path, int flags, const char** why) {
    struct stat info;
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return Fail(why, kNotRegular);
    }
    int fd = open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail(why, std::strerror(errno));
    int status = fcntl(fd, F_GETFL);
    const char* reason = nullptr;
    int error = 0;
    if (fstat(fd, &info) != 0 || status < 0) {
        error = errno;
        reason = std::strerror(error);
    } else if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
        reason = kNotRegular;
    } else if (fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        error = errno;
        reason = std::strerror(error);
    }
    if (reason == nullptr)
        return fd;
    close(fd);
    errno = error;
    return Fail(why, reason);
}

} // namespace

bool FileReplacement::Fail(const std::string& why, int error) {
    why_ = why;
    error_ = error;
    errno = error;
    return false;
}

bool FileReplacement::Begin(const char* path) {
    Abandon();
    why_.clear();
    error_ = 0;
    written_ = 0;
    auto failWithErrno = [this](const std::string& prefix) {
        const int error = errno;
        return Fail(prefix + std::strerror(error), error);
    };
    target_ = path;
    if (!FollowLinks(&target_))
        return failWithErrno("");
    struct stat old;
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return failWithErrno("");
    if (exists && !S_ISREG(old.st_mode))
        return Fail(kNotRegular, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (exists) {
        if (const char* why = WhyNotWritable(target_.c_str(), old))
            return Fail(why, errno);
    }
    // A temporary file left by a crash is ours to clear; whatever else
    // stands there, the save must not open it, as it may be a FIFO.
    temp_ = target_ + ".tmp";
    struct stat info;
    if (lstat(temp_.c_str(), &info) == 0 && unlink(temp_.c_str()) != 0)
        return failWithErrno(PrintablePath(temp_) + " is in the way: ");
    const int fd = CreateTemporary(temp_, exists ? &old : nullptr);
    if (fd < 0)
        return failWithErrno("");
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int error = errno;
        close(fd);
        std::remove(temp_.c_str());
        return Fail(std::strerror(error), error);
    }
    return true;
}

bool FileReplacement::NotOpen() {
    // The first failure is the one worth telling.
    if (error_ != 0)
        return Fail(why_, error_);
    return Fail(std::strerror(EBADF), EBADF);
}

bool FileReplacement::Write(const void* bytes, size_t size) {
    if (file_ == nullptr)
        return NotOpen();
    errno = 0;
    if (size > 0 && std::fwrite(bytes, 1, size, file_) != size) {
        const int error = errno != 0 ? errno : EIO;
        Abandon();
        return Fail(std::strerror(error), error);
    }
    written_ += static_cast<long>(size);
    return true;
}

bool FileReplacement::Commit() {
    if (file_ == nullptr)
        return NotOpen();
    int error = 0;
    if (std::fflush(file_) != 0)
        error = errno;
    if (error == 0 && fsync(fileno(file_)) != 0)
        error = errno;
    if (error == 0 && std::ftell(file_) != written_)
        error = EIO;
    if (std::fclose(file_) != 0 && error == 0)
        error = errno;
    file_ = nullptr;
    if (error == 0 && std::rename(temp_.c_str(), target_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        std::remove(temp_.c_str());
        return Fail(std::strerror(error), error);
    }
    SyncFolderOf(target_);
    return true;
}

void FileReplacement::Abandon() {
    if (file_ == nullptr)
        return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount) {
    struct stat info;
    const bool present = lstat(path, &info) == 0;
    FileReplacement replacement;
    bool written = replacement.Begin(path);
    for (size_t i = 0; i < partCount && written; ++i)
        written = replacement.Write(parts[i].bytes, parts[i].size);
    if (written && replacement.Commit())
        return true;
    return Refuse(path, replacement.Why(), present, errno);
}

int OpenRegularFile(const char* path, const char** why) {
    return OpenRegular(path, O_RDONLY, why);
}

FILE* RegularFileStream(int fd, const char* mode, const char** why) {
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, mode);
    if (file != nullptr)
        return file;
    const int error = errno;
    close(fd);
    errno = error;
    Fail(why, std::strerror(error));
    return nullptr;
}

int OpenRegularFileToRewrite(const char* path, const char** why) {
    struct stat info;
    if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
        if (const char* reason = WhyNotWritable(path, info))
            return Fail(why, reason);
    }
    int fd = OpenRegular(path, O_WRONLY | O_CREAT, why);
    if (fd >= 0 && ftruncate(fd, 0) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return Fail(why, std::strerror(error));
    }
    return fd;
}
