#include "editor/level_saver.h"

#include <cstdio>
#include <cstring>

#include "editor/map_cells.h"
#include "engine/bytes.h"
#include "engine/game_path.h"
#include "engine/safe_file.h"
#include "world/tile_map.h"

namespace {

constexpr int32_t kMaxRunExtra = 255;

std::string LayerProblem(const TileRunMap& map, int32_t index) {
    const TileRunLayer& layer = map.layers[index];
    char text[96];
    if (layer.width < 1 || layer.rows < 1 || layer.width > kTileLayerMaxSide ||
        layer.rows > kTileLayerMaxSide) {
        std::snprintf(text, sizeof(text), "layer %d is %d x %d cells (1 to %d each way)", index,
                      layer.width, layer.rows, kTileLayerMaxSide);
        return text;
    }
    if (!HasRowTables(layer)) {
        std::snprintf(text, sizeof(text), "layer %d has no rows", index);
        return text;
    }
    return {};
}

void AppendRun(std::vector<uint8_t>* runs, uint16_t first, uint8_t extra, uint8_t code) {
    const uint8_t bytes[kTileRunFileBytes] = {static_cast<uint8_t>(first),
                                              static_cast<uint8_t>(first >> 8), extra, code};
    runs->insert(runs->end(), bytes, bytes + kTileRunFileBytes);
}

// Equal neighbours join into one run of at most 256 cells.
void AppendRowRuns(const TileRunLayer& layer, int32_t r, std::vector<uint8_t>* runs) {
    int32_t first = 0;
    int32_t extra = 0;
    uint8_t code = ExpandedCellCode(layer, r, 0);
    for (int32_t c = 1; c < layer.width; ++c) {
        const uint8_t next = ExpandedCellCode(layer, r, c);
        if (next == code && extra < kMaxRunExtra) {
            ++extra;
            continue;
        }
        AppendRun(runs, static_cast<uint16_t>(first), static_cast<uint8_t>(extra), code);
        first = c;
        extra = 0;
        code = next;
    }
    AppendRun(runs, static_cast<uint16_t>(first), static_cast<uint8_t>(extra), code);
}

void AppendLayer(const TileRunLayer& layer, std::vector<uint8_t>* out) {
    std::vector<uint8_t> runs;
    std::vector<uint8_t> offsets(4 * (static_cast<size_t>(layer.rows) + 1));
    for (int32_t r = 0; r < layer.rows; ++r) {
        AppendRowRuns(layer, r, &runs);
        PutU32LE(offsets.data() + 4 * (r + 1), static_cast<uint32_t>(runs.size()));
    }
    uint8_t header[kTileLayerHeaderBytes];
    PutI16LE(header, layer.width);
    PutI16LE(header + 2, layer.rows);
    std::memcpy(header + 4, layer.extraHeader, sizeof(layer.extraHeader));
    out->insert(out->end(), header, header + sizeof(header));
    out->insert(out->end(), offsets.begin(), offsets.end());
    out->insert(out->end(), runs.begin(), runs.end());
}

} // namespace

bool BuildLevelFile(const TileRunMap& map, std::vector<uint8_t>* out, std::string* why) {
    out->clear();
    std::string problem;
    if (map.expanded == 0)
        problem = "the map is not expanded";
    for (int32_t l = 0; l < kTileLayerCount && problem.empty(); ++l)
        problem = LayerProblem(map, l);
    if (!problem.empty()) {
        if (why != nullptr)
            *why = problem;
        return false;
    }
    for (const TileRunLayer& layer : map.layers)
        AppendLayer(layer, out);
    return true;
}

int32_t SaveLevelFile(const char* path, const TileRunMap* map) {
    if (path == nullptr || path[0] == '\0') {
        std::printf("Level not saved: the level has no file name\n");
        return 0;
    }
    std::vector<uint8_t> bytes;
    std::string why;
    if (map == nullptr || !BuildLevelFile(*map, &bytes, &why)) {
        std::printf("Level file %s not saved: %s\n", PrintablePath(path).c_str(),
                    map == nullptr ? "no map" : why.c_str());
        return 0;
    }
    // The safe writer says why when it fails.
    return WriteFileSafely(path, bytes.data(), bytes.size()) ? 1 : 0;
}
