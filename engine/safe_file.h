// The game's own files on disk. Saving without losing the old file: write a
// temporary file in the same folder, check every write, then rename it over
// the old one. A symbolic link is saved through to its target, and the old
// file's owner and permission bits carry over; a file the user made
// read-only, or anything that is not a regular file, is not saved over at
// all. Opening: only regular files, and never in a way that waits, as a FIFO
// or a device by the file's name would hang the game.
#pragma once

#include <cstddef>

struct SafeFilePart {
    const void* bytes;
    size_t size;
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

// A descriptor open for writing on `path`, emptied, for a file written as it
// goes (a key recording): created when missing, else only when it is a
// regular file that the user has left writable. -1 with the reason in `why`
// otherwise, and the file as it was.
int OpenRegularFileToRewrite(const char* path, const char** why);
