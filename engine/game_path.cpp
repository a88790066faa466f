#include "engine/game_path.h"

#include <cerrno>
#include <climits>
#include <cstdint>
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

// C0, DEL and C1: what a terminal acts on instead of showing.
bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// The length of the well-formed UTF-8 sequence of two to four bytes at
// `at`, with its code point in `code`; 0 when the bytes there form none
// (a stray continuation byte, a cut or overlong sequence, a surrogate).
size_t Utf8SequenceAt(const std::string& text, size_t at, uint32_t* code) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    // The second byte's range rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > text.size())
        return 0;
    uint32_t value = lead & (0xFFu >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = byte(at + k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
        value = value << 6 | (next & 0x3Fu);
    }
    *code = value;
    return length;
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
    std::string out;
    out.reserve(path.size());
    for (size_t at = 0; at < path.size();) {
        const auto c = static_cast<unsigned char>(path[at]);
        uint32_t code = c;
        size_t length = c < 0x80 ? 1 : Utf8SequenceAt(path, at, &code);
        if (length == 0) {
            // A byte outside any character counts as itself: some
            // terminals read 0x80..0x9F alone as C1 (0x9B opens a CSI).
            length = 1;
            code = c;
        }
        if (IsControl(code))
            out += '?';
        else
            out.append(path, at, length);
        at += length;
    }
    return out;
}

std::string GameFolderForMessage() {
    std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
    if (folder == nullptr)
        return "(a folder that cannot be found)";
    return PrintablePath(folder.get());
}
