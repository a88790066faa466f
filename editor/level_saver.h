// Writing the edited map back as a level file, in the form the level loader
// reads: per layer (0 to 3) the 16-byte header as held, rows + 1 row
// offsets, then runs of equal codes of at most 256 cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TileRunMap;

// The file's bytes. False, with the reason in *why (may be null), for a map
// that is not expanded or a layer the loader could not read back (no
// cells, or more than its limit across or down).
bool BuildLevelFile(const TileRunMap& map, std::vector<uint8_t>* out, std::string* why);
// Writes the file through a temporary file: 1 when saved; 0, with a
// message, when it was not, and any old file at `path` is left whole.
int32_t SaveLevelFile(const char* path, const TileRunMap* map);
