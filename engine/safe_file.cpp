#include "engine/safe_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

// Follows `path` through its chain of symbolic links to the file a write
// would reach, so that the link the user made stays a link. A link to
// nothing yet gives the path it names. False for a loop or an unreadable link.
bool FollowLinks(std::string* path) {
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        struct stat info;
        if (lstat(path->c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char target[PATH_MAX];
        ssize_t length = readlink(path->c_str(), target, sizeof(target));
        if (length <= 0 || static_cast<size_t>(length) >= sizeof(target))
            return false;
        std::string next(target, static_cast<size_t>(length));
        size_t slash = path->rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = path->substr(0, slash + 1) + next;
        *path = next;
    }
    return false;
}

// Whether the user has left `path` writable. Opening it for writing decides
// that for an ordinary user, and access() asks the same question. Root may
// write anything, yet a file with no write bit for anyone has plainly been
// made read-only on purpose, so that counts as protected for every user:
// the game then behaves the same whoever runs it. Bits granting write only
// to someone else are left to access(), as root's open would ignore them.
bool UserLeftWritable(const std::string& path, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// A new file belongs to whoever runs the game. Root can give it back to the
// old owner; a plain user can at least keep the old group when a member of
// it. False when it stays the game's, which is no reason to fail a save.
bool KeepOwner(int fd, const struct stat& old) {
    return fchown(fd, old.st_uid, old.st_gid) == 0 ||
           fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
}

// The temporary file; with an old file, its owner and permission bits, so
// that the rename changes nothing but the contents. -1 on failure.
int CreateTemporary(const std::string& temp, const struct stat* old) {
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 || old == nullptr)
        return fd;
    // Owner first: a change of owner clears the set-id bits.
    KeepOwner(fd, *old);
    if (fchmod(fd, old->st_mode & 07777) != 0) {
        close(fd);
        std::remove(temp.c_str());
        return -1;
    }
    return fd;
}

} // namespace

bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount) {
    std::string target = path;
    if (!FollowLinks(&target))
        return false;
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (exists && !UserLeftWritable(target, old)) {
        std::printf("Cannot save %s: the file is read-only; it is left as it was.\n", path);
        errno = EACCES;
        return false;
    }
    std::string temp = target + ".tmp";
    int fd = CreateTemporary(temp, exists ? &old : nullptr);
    FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (f == nullptr) {
        if (fd >= 0) {
            close(fd);
            std::remove(temp.c_str());
        }
        return false;
    }
    bool ok = true;
    long expected = 0;
    for (size_t i = 0; i < partCount && ok; ++i) {
        if (parts[i].size > 0)
            ok = std::fwrite(parts[i].bytes, 1, parts[i].size, f) == parts[i].size;
        expected += static_cast<long>(parts[i].size);
    }
    ok = ok && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    ok = ok && std::ftell(f) == expected;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}
