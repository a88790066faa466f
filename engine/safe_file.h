// The game's own files on disk. Saving without losing the old file: write a
// temporary file in the same folder, check every write, then rename it over
// the old one. A symbolic link is saved through to its target, and the old
// file's owner and permission bits carry over; a file the user made
// read-only, or anything that is not a regular file, is not saved over at
// all. Opening: only regular files, and never in a way that waits, as a FIFO
// or a device by the file's name would hang the game.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct SafeFilePart {
    const void* bytes;
    size_t size;
};

// A new file written beside the one it replaces, piece by piece as it
// comes (a key recording) or all at once (WriteFileSafely). The old file
// stays exactly as it was until Commit() finds every piece written and
// durable; only then does the new one take its name. Links, owners and
// refusals are as the top of this file says.
class FileReplacement {
public:
    FileReplacement() = default;
    // An uncommitted file is dropped; the old one stays.
    ~FileReplacement() { Abandon(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Checks that `path` may be replaced and opens the temporary file
    // beside the file it leads to. False, with Why() and errno, when not.
    bool Begin(const char* path);
    // False, with Why() and errno, when this or an earlier piece failed:
    // the temporary file is then gone and nothing more is written.
    bool Write(const void* bytes, size_t size);
    // Makes the new file durable and puts it in place of the old one.
    // False, with Why() and errno, leaving the old file as it was. A
    // folder that cannot be synced after the rename is said, not failed.
    bool Commit();
    // Drops the temporary file, if one is open.
    void Abandon();

    bool IsOpen() const { return file_ != nullptr; }
    // Why the last step failed, for a message.
    const std::string& Why() const { return why_; }

private:
    bool Fail(const std::string& why, int error);
    bool NotOpen();

    std::string target_;
    std::string temp_;
    FILE* file_ = nullptr;
    long written_ = 0;
    std::string why_;
    int error_ = 0;
};

// True when every part was written and the file replaced. False, with one
// line naming the file and the reason, for anything else; the old file is
// left as it was, and errno tells the reason.
bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount);
inline bool WriteFileSafely(const char* path, const void* bytes, size_t size) {
    SafeFilePart part{bytes, size};
    return WriteFileSafely(path, &part, 1);
}

// A descriptor open for reading when `path` names a regular file (through
// links), else -1 with errno set. `why`, when given, gets the reason as text.
int OpenRegularFile(const char* path, const char** why = nullptr);

// A descriptor open for writing on `path`, emptied, for a file written in
// place (a frame dump): created when missing, else only when it is a
// regular file that the user has left writable. -1 with the reason in `why`
// otherwise, and the file as it was.
int OpenRegularFileToRewrite(const char* path, const char** why);

// A descriptor from one of the openers above as a stream in `mode`. Null
// when `fd` is -1 (errno and `why` as the opener left them) or fdopen
// fails (the descriptor closed, errno and `why` telling why).
FILE* RegularFileStream(int fd, const char* mode, const char** why = nullptr);
