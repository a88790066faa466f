// Paths that game data names (a level's file, an archive's outside entry)
// come from files a player may have downloaded: they may only lead to files
// inside the game's folder, the working folder the game runs in.
#pragma once

#include <string>

// Null when `path` is a relative path that stays inside the game's folder:
// no absolute path, no ".." part, no empty part ("a//b", "a/"), and no link
// on the way that leads out of the folder (the part that exists is
// resolved). Otherwise the reason, for a message. '\' separates folders as
// '/' does; the caller opens the path with '\' turned into '/'.
const char* GamePathRefusal(const std::string& path);

// `path` with every control character as '?', so that a message naming it
// stays one line and sends the terminal nothing to act on: C0 and DEL, C1
// as UTF-8 (U+0080..U+009F), and a byte 0x80..0x9F outside any well-formed
// UTF-8 character, which some terminals take as C1 on its own.
std::string PrintablePath(const std::string& path);

// The game's folder as a message names it: the working folder, printable;
// when it cannot be found (removed while the game runs), a phrase saying so.
std::string GameFolderForMessage();
