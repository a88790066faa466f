// Writes the game world's part of an archive: the fixed entries (0: the
// object type of each map code, 1: the always-loaded types, 2: the tile
// shapes, 9 and 11: the level and tile-set index words, 15: the media
// chain), one block per level (level file, tile set number, media part,
// background, taken-bit bases, destinations), the tile sets, and the level
// table and camera records as items 0 and 1 of catalogue group 0. A level
// file may lie outside the archive, where the level editor saves it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "tools/sample/media_block_writer.h"

struct WorldLevelSpec {
    std::array<LevelLayerGrid, 4> layers;
    uint32_t tileSet = 1; // 1-based
    uint32_t mediaPart = 1;
    // A PNG file; empty writes an image stub (the level has no background).
    std::vector<uint8_t> background;
    std::array<int32_t, 3> takenBitBases{};
    std::vector<std::array<int32_t, 2>> destinations; // (level, entry)
    // Set: the level file is an outside entry naming this file, relative
    // to the game's working folder, so that the editor's saves are what
    // the game loads. Empty: it is stored in the archive.
    std::string file;
};

struct WorldTileSetSpec {
    std::array<uint8_t, 256> substitutes{};
    // Image of map code c: a PNG file, or empty for an image stub.
    std::vector<std::vector<uint8_t>> images;
};

struct WorldArchiveSpec {
    std::array<uint8_t, 256> codeTypes{};
    std::array<uint8_t, 64> typeList{};
    std::map<uint8_t, std::array<uint8_t, 16>> shapes;
    std::vector<WorldLevelSpec> levels;     // level V is levels[V - 1]
    std::vector<WorldTileSetSpec> tileSets; // tile set P is tileSets[P - 1]
    std::vector<MediaBlockSpec> mediaBlocks;
    // Media part k + 1: object type -> index into mediaBlocks. Parts that
    // levels name beyond these are written empty (no media for any type).
    std::vector<std::map<int32_t, size_t>> mediaParts;
    std::vector<int32_t> levelTable;    // resource (0, 0)
    std::vector<int16_t> cameraRecords; // resource (0, 1)
};

// Where the entries went.
struct WorldArchiveLayout {
    uint32_t levelIndex = 0;             // A: entry of level 1's block number
    uint32_t tileSetIndex = 0;           // B: entry of tile set 1's block number
    std::vector<uint32_t> levelBlocks;   // L of each level (its level file)
    std::vector<uint32_t> backgrounds;   // the picture entry L + 3 links to
    std::vector<uint32_t> tileSetBlocks; // T of each tile set (its substitutes)
    std::vector<uint32_t> mediaBlocks;   // A of each media block
    uint32_t mediaChain = 0;             // the word of entry 15
};

// A catalogue of `groups` groups (at least one): group 0 holds the level
// table and the camera records; every other group one placeholder byte
// that the caller may replace.
CatalogueBuilder MakeWorldCatalogue(const WorldArchiveSpec& spec, uint32_t groups = 1);

// Sets entries 0, 1, 2, 9 and 11, appends the levels, the tile sets and
// the media, and sets entry 15 to the media chain.
WorldArchiveLayout AppendWorldEntries(ArchiveBuilder* archive, const WorldArchiveSpec& spec);

// Both of the above: a whole archive the world loads from.
ArchiveBuilder BuildWorldArchive(const WorldArchiveSpec& spec, WorldArchiveLayout* layout = nullptr,
                                 uint32_t groups = 1);

// A file's size and 64-bit FNV-1a digest.
struct FileDigest {
    uint64_t size = 0;
    uint64_t digest = 0;
    bool operator==(const FileDigest& other) const {
        return size == other.size && digest == other.digest;
    }
};
FileDigest DigestOf(const std::vector<uint8_t>& bytes);

// How WriteArchiveFiles treats the outside entries' files.
struct OutsideFileOptions {
    // The folder their paths are relative to (the game's working folder);
    // empty: the current folder.
    std::string folder;
    // False: a file that is already there is kept, so that levels edited
    // in the editor survive a new archive. True: every file is written.
    bool overwrite = false;
    // Files exactly as an earlier version of the archive wrote them: no
    // edit is in them, so one that differs from its entry now is replaced
    // even when `overwrite` is false.
    std::vector<FileDigest> superseded;
    // Filled with the edited files kept (those that differ from their entry
    // now and are not superseded), as joined to `folder`.
    std::vector<std::string>* kept = nullptr;
};

// Writes each outside entry's contents to its file, then the archive to
// `path` (through a temporary file, so that a failed write leaves the old
// archive whole); false on any write error.
bool WriteArchiveFiles(const ArchiveBuilder& archive, const std::string& path,
                       const OutsideFileOptions& options = {});
