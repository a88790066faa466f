#include "engine/game_path.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kEmpty = "it names no file";
constexpr const char* kTooLong = "it is too long";
constexpr const char* kAbsolute = "it is an absolute path, outside the game's folder";
constexpr const char* kEmptyPart = "it has an empty folder name";
constexpr const char* kClimbs = "its '..' leads out of the game's folder";
constexpr const char* kLinkOut = "a link on it leads out of the game's folder";
constexpr const char* kUnresolved = "it cannot be followed inside the game's folder";
constexpr const char* kNoFolder = "the game's folder cannot be found";

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Where each part of the path ends; false, with `why` set, when a part or
// the whole is refused.
bool SplitParts(const std::string& path, std::vector<size_t>* ends, const char** why) {
    if (path.empty())
        *why = kEmpty;
    else if (path.size() >= PATH_MAX)
        *why = kTooLong;
    else if (IsSeparator(path[0]))
        *why = kAbsolute;
    if (*why != nullptr)
        return false;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i]))
            continue;
        if (i == start)
            *why = kEmptyPart;
        else if (path.compare(start, i - start, "..") == 0)
            *why = kClimbs;
        if (*why != nullptr)
            return false;
        ends->push_back(i);
        start = i + 1;
    }
    return true;
}

// realpath, or false when it fails.
bool Resolve(const std::string& path, std::string* resolved) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    if (real == nullptr)
        return false;
    *resolved = real.get();
    return true;
}

// `inner` lies below `root` (both resolved).
bool IsWithin(const std::string& inner, const std::string& root) {
    const std::string prefix = root == "/" ? root : root + "/";
    return inner.size() > prefix.size() && inner.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

const char* GamePathRefusal(const std::string& path) {
    const char* why = nullptr;
    std::vector<size_t> ends;
    if (!SplitParts(path, &ends, &why))
        return why;
    std::string root;
    if (!Resolve(".", &root))
        return kNoFolder;
    std::string slashed = path;
    for (char& c : slashed)
        if (IsSeparator(c))
            c = '/';
    // The longest prefix that exists, links resolved; what follows it does
    // not exist yet, and without ".." it can only be made below it.
    const size_t count = ends.size();
    for (size_t k = count + 1; k-- > 0;) {
        std::string resolved;
        if (!Resolve(k == 0 ? "." : slashed.substr(0, ends[k - 1]), &resolved))
            continue;
        if (k == count) {
            if (resolved == root)
                return kEmpty; // the folder itself, as "." names it
            return IsWithin(resolved, root) ? nullptr : kLinkOut;
        }
        if (resolved != root && !IsWithin(resolved, root))
            return kLinkOut;
        // The next part did not resolve: only a part that is not there at
        // all is safe (a dangling link, a loop or a closed folder is not).
        const size_t start = k == 0 ? 0 : ends[k - 1] + 1;
        const std::string next = resolved + "/" + slashed.substr(start, ends[k] - start);
        struct stat info;
        if (lstat(next.c_str(), &info) == 0 || errno != ENOENT)
            return kUnresolved;
        return nullptr;
    }
    return kNoFolder;
}

std::string PrintablePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

std::string GameFolderForMessage() {
    std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
    if (folder == nullptr)
        return "(a folder that cannot be found)";
    return PrintablePath(folder.get());
}
