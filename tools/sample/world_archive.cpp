#include "tools/sample/world_archive.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "engine/archive.h"
#include "engine/bytes.h"

namespace {

constexpr uint8_t kRawType = 0;
constexpr uint32_t kCodeTypeEntry = 0;
constexpr uint32_t kTypeListEntry = 1;
constexpr uint32_t kShapeEntry = 2;
constexpr uint32_t kLevelIndexEntry = 9;
constexpr uint32_t kTileSetIndexEntry = 11;
constexpr size_t kTileImagesMax = 256;

ArchiveEntrySpec PictureEntry(const std::vector<uint8_t>& png) {
    if (png.empty())
        return PlainEntry(static_cast<uint8_t>(RES_TYPE_IMAGE_STUB), {});
    return PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), png);
}

std::vector<uint8_t> WordBytes(const std::vector<int32_t>& words) {
    std::vector<uint8_t> out(4 * words.size());
    for (size_t i = 0; i < words.size(); ++i)
        PutI32LE(out.data() + 4 * i, words[i]);
    return out;
}

std::vector<uint8_t> HalfWordBytes(const std::vector<int16_t>& values) {
    std::vector<uint8_t> out(2 * values.size());
    for (size_t i = 0; i < values.size(); ++i)
        PutI16LE(out.data() + 2 * i, values[i]);
    return out;
}

// Number entries for an index, filled in once the blocks are placed.
uint32_t ReserveIndex(ArchiveBuilder* archive, size_t count) {
    const uint32_t first = archive->Count();
    for (size_t i = 0; i < count; ++i)
        archive->AddNumber(0);
    return first;
}

uint32_t AppendLevel(ArchiveBuilder* archive, const WorldLevelSpec& level, uint32_t* background) {
    std::vector<uint8_t> bytes = WriteLevelFile(level.layers);
    const uint32_t l = level.file.empty()
                           ? archive->AddPlain(kRawType, std::move(bytes))
                           : archive->AddExternal(kRawType, level.file, std::move(bytes));
    archive->AddNumber(level.tileSet);
    archive->AddNumber(level.mediaPart);
    const uint32_t link = archive->AddLink(0);
    for (int32_t base : level.takenBitBases)
        archive->AddNumber(static_cast<uint32_t>(base));
    const uint32_t d = l + 7 + 2 * static_cast<uint32_t>(level.destinations.size());
    archive->AddNumber(d);
    for (const std::array<int32_t, 2>& pair : level.destinations) {
        archive->AddNumber(static_cast<uint32_t>(pair[0]));
        archive->AddNumber(static_cast<uint32_t>(pair[1]));
    }
    // Behind a link, as the game's own archive keeps its pictures.
    *background = archive->Add(PictureEntry(level.background));
    archive->Entry(link) = LinkEntry(*background);
    return l;
}

uint32_t AppendTileSet(ArchiveBuilder* archive, const WorldTileSetSpec& set) {
    if (set.images.size() > kTileImagesMax)
        throw std::invalid_argument("a tile set has at most 256 images");
    const uint32_t t = archive->AddPlain(
        kRawType, std::vector<uint8_t>(set.substitutes.begin(), set.substitutes.end()));
    // With no images the last image entry lies before the first (T + 2).
    archive->AddNumber(t + 1 + static_cast<uint32_t>(set.images.size()));
    for (const std::vector<uint8_t>& image : set.images)
        archive->Add(PictureEntry(image));
    return t;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// How a file already at an outside entry's path stands to the bytes the
// archive writes there now.
enum class ExistingFile {
    Current,    // exactly those bytes: nothing to write, nothing to report
    Superseded, // exactly as an earlier version wrote it: no edit, replaced
    Edited,     // anything else, a folder or a link among them: kept
};

ExistingFile ClassifyExistingFile(const std::filesystem::path& path,
                                  const std::vector<uint8_t>& now,
                                  const std::vector<FileDigest>& superseded) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)))
        return ExistingFile::Edited;
    const uintmax_t size = std::filesystem::file_size(path, error);
    // Only a file the size of the bytes now or of an earlier version can be
    // either; no other is read.
    const bool earlierSize = std::any_of(superseded.begin(), superseded.end(),
                                         [size](const FileDigest& d) { return d.size == size; });
    if (error || size > (uintmax_t{1} << 24) || (size != now.size() && !earlierSize))
        return ExistingFile::Edited;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return ExistingFile::Edited;
    if (bytes == now)
        return ExistingFile::Current;
    const FileDigest digest = DigestOf(bytes);
    return std::find(superseded.begin(), superseded.end(), digest) != superseded.end()
               ? ExistingFile::Superseded
               : ExistingFile::Edited;
}

bool WriteOutsideFiles(const ArchiveBuilder& archive, const OutsideFileOptions& options) {
    const std::filesystem::path folder = options.folder;
    for (uint32_t i = 0; i < archive.Count(); ++i) {
        const ArchiveEntrySpec& spec = archive.Entry(i);
        if (spec.storage != EntryStorage::External)
            continue;
        // The game turns a stored '\\' into '/', and so does the file here.
        std::string stored = spec.path;
        std::replace(stored.begin(), stored.end(), '\\', '/');
        const std::filesystem::path file = folder / stored;
        std::error_code error;
        // Anything at that name counts as there: a folder or a link the
        // user made is not for this tool to replace.
        if (!options.overwrite &&
            std::filesystem::exists(std::filesystem::symlink_status(file, error))) {
            const ExistingFile existing = ClassifyExistingFile(file, spec.data, options.superseded);
            if (existing == ExistingFile::Current)
                continue;
            if (existing == ExistingFile::Edited) {
                if (options.kept != nullptr)
                    options.kept->push_back(file.string());
                continue;
            }
        }
        if (!WriteBytes(file, spec.data))
            return false;
    }
    return true;
}

} // namespace

FileDigest DigestOf(const std::vector<uint8_t>& bytes) {
    uint64_t digest = 0xCBF29CE484222325u;
    for (uint8_t b : bytes)
        digest = (digest ^ b) * 0x100000001B3u;
    return {bytes.size(), digest};
}

CatalogueBuilder MakeWorldCatalogue(const WorldArchiveSpec& spec, uint32_t groups) {
    CatalogueBuilder catalogue;
    const uint32_t count = std::max<uint32_t>(groups, 1);
    for (uint32_t g = 0; g < count; ++g)
        catalogue.AddGroup();
    catalogue.AddItem(0, PlainEntry(kRawType, WordBytes(spec.levelTable)));
    catalogue.AddItem(0, PlainEntry(kRawType, HalfWordBytes(spec.cameraRecords)));
    for (uint32_t g = 1; g < count; ++g)
        catalogue.AddItem(g, PlainEntry(kRawType, {static_cast<uint8_t>(g)}));
    return catalogue;
}

WorldArchiveLayout AppendWorldEntries(ArchiveBuilder* archive, const WorldArchiveSpec& spec) {
    WorldArchiveLayout layout;
    archive->Set(kCodeTypeEntry, PlainEntry(kRawType, std::vector<uint8_t>(spec.codeTypes.begin(),
                                                                           spec.codeTypes.end())));
    archive->Set(kTypeListEntry, PlainEntry(kRawType, std::vector<uint8_t>(spec.typeList.begin(),
                                                                           spec.typeList.end())));
    archive->Set(kShapeEntry, PlainEntry(kRawType, WriteShapeTable(spec.shapes)));
    while (archive->Count() <= kMediaChainEntry)
        archive->AddPlain(kRawType, {});

    layout.levelIndex = ReserveIndex(archive, spec.levels.size());
    layout.tileSetIndex = ReserveIndex(archive, spec.tileSets.size());
    archive->Set(kLevelIndexEntry, NumberEntry(layout.levelIndex));
    archive->Set(kTileSetIndexEntry, NumberEntry(layout.tileSetIndex));

    for (size_t v = 0; v < spec.levels.size(); ++v) {
        uint32_t background = 0;
        const uint32_t l = AppendLevel(archive, spec.levels[v], &background);
        archive->Entry(layout.levelIndex + static_cast<uint32_t>(v)) = NumberEntry(l);
        layout.levelBlocks.push_back(l);
        layout.backgrounds.push_back(background);
    }
    for (size_t p = 0; p < spec.tileSets.size(); ++p) {
        const uint32_t t = AppendTileSet(archive, spec.tileSets[p]);
        archive->Entry(layout.tileSetIndex + static_cast<uint32_t>(p)) = NumberEntry(t);
        layout.tileSetBlocks.push_back(t);
    }

    MediaBlockWriter media(archive);
    for (const MediaBlockSpec& block : spec.mediaBlocks)
        layout.mediaBlocks.push_back(media.AppendBlock(block));
    size_t partCount = std::max<size_t>(spec.mediaParts.size(), 1);
    for (const WorldLevelSpec& level : spec.levels)
        partCount = std::max<size_t>(partCount, level.mediaPart);
    std::vector<std::map<int32_t, uint32_t>> parts(partCount);
    for (size_t k = 0; k < spec.mediaParts.size(); ++k)
        for (const auto& [type, block] : spec.mediaParts[k])
            parts[k][type] = layout.mediaBlocks.at(block);
    layout.mediaChain = media.AppendChain(parts);
    return layout;
}

ArchiveBuilder BuildWorldArchive(const WorldArchiveSpec& spec, WorldArchiveLayout* layout,
                                 uint32_t groups) {
    ArchiveBuilder archive = MakeWorldCatalogue(spec, groups).ToArchive();
    WorldArchiveLayout placed = AppendWorldEntries(&archive, spec);
    if (layout != nullptr)
        *layout = placed;
    return archive;
}

bool WriteArchiveFiles(const ArchiveBuilder& archive, const std::string& path,
                       const OutsideFileOptions& options) {
    if (!WriteOutsideFiles(archive, options))
        return false;
    const std::string temporary = path + ".new";
    if (!WriteBytes(temporary, archive.Build())) {
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error)
        std::remove(temporary.c_str());
    return !error;
}
