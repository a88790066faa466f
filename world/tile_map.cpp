// Level layers as runs of equal codes: reading them from a level file,
// turning them into one run per cell, finding a cell's run, and the
// collision shapes of the layer-3 codes.
#include "world/tile_map.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "engine/resource_stream.h"
#include "world/game_world.h"

static_assert(sizeof(TileRun) == kTileRunFileBytes, "a run is held as it is stored");
static_assert(sizeof(TileShape) == kTileShapeBytes, "a shape is 4 x 4 quarter codes");

namespace {

// A walk that has not found its column after this many probes gives up.
constexpr int32_t kMaxProbes = 499;

void ReleaseLayer(TileRunLayer* layer) {
    if (layer->runBlock != nullptr) {
        std::free(layer->runBlock);
    } else if (layer->rowRuns != nullptr) {
        for (int32_t r = 0; r < layer->rows; ++r)
            std::free(layer->rowRuns[r]);
    }
    FreeAndNull(&layer->rowRuns);
    FreeAndNull(&layer->runCounts);
    layer->runBlock = nullptr;
}

bool ReadExactly(ResourceStream* stream, void* buffer, uint32_t n) {
    if (n == 0)
        return true;
    return n <= 0x7FFFFFFFu &&
           ReadResourceStream(stream, buffer, static_cast<int32_t>(n)) == n;
}

// The broken layer and those the stream would have held after it are left
// empty, so no layer of another level survives beside this one's.
int32_t FailLayer(TileRunMap* map, int32_t layerIndex, int16_t* indexOut, const char* why) {
    std::printf("level layer %d: %s\n", layerIndex, why);
    for (int32_t l = layerIndex; l < kTileLayerCount; ++l) {
        ReleaseLayer(&map->layers[l]);
        map->layers[l].width = 0;
        map->layers[l].rows = 0;
    }
    *indexOut = kTileLayerCount;
    return -1;
}

inline bool Covers(const TileRun& run, int32_t x) {
    return run.firstColumn <= x && run.firstColumn + run.extra >= x;
}

// The probe walk over one row. `count` is the row's run count and
// `available` how many runs the row really holds; a walk that would leave
// them ends with -1. Returns the probe count and the run's index.
int32_t ProbeRow(const TileRun* runs, int32_t count, int32_t available, int32_t x,
                 int32_t* found) {
    if (runs == nullptr || available <= 0 || count <= 0)
        return -1;
    int32_t i = 0;
    int32_t probes = 1;
    int32_t n = count - 1;
    // Halving: jumps of half the remaining span from the row's first run.
    while ((n >>= 1) > 0) {
        if (Covers(runs[i], x)) {
            *found = i;
            return probes;
        }
        int32_t next = runs[i].firstColumn > x ? i - n : i + n;
        if (next < 0 || next >= available)
            return -1;
        i = next;
        ++probes;
    }
    // Then one run at a time. The direction depends only on the run, so a
    // walk that turns back has met a gap and would only bounce until the
    // probe limit: give that answer at once.
    int32_t direction = 0;
    for (;;) {
        if (probes > kMaxProbes)
            return -1;
        int32_t step;
        if (runs[i].firstColumn <= x) {
            if (runs[i].firstColumn + runs[i].extra >= x) {
                *found = i;
                return probes;
            }
            step = 1;
        } else {
            step = -1;
        }
        if (direction != 0 && step != direction)
            return -1;
        direction = step;
        i += step;
        if (i < 0 || i >= available)
            return -1;
        ++probes;
    }
}

// How many runs row y of the layer really holds: the count less the one
// added at load, or one per cell once expanded.
int32_t RunsInRow(const TileRunLayer& layer, bool expanded, int32_t y) {
    int32_t count = layer.runCounts[y];
    if (expanded)
        return count < layer.width ? count : layer.width;
    return count - 1;
}

bool CellInLayer(const TileRunMap* map, int32_t layer, int32_t x, int32_t y) {
    if (map == nullptr || layer < 0 || layer >= kTileLayerCount || x < 0 || y < 0)
        return false;
    const TileRunLayer& l = map->layers[layer];
    return x < l.width && y < l.rows && l.rowRuns != nullptr && l.runCounts != nullptr;
}

int32_t FindInLayer(const TileRunMap* map, int32_t layer, int32_t x, int32_t y,
                    const TileRun** run) {
    *run = nullptr;
    if (!CellInLayer(map, layer, x, y))
        return -1;
    const TileRunLayer& l = map->layers[layer];
    const TileRun* row = l.rowRuns[y];
    int32_t index = 0;
    int32_t probes =
        ProbeRow(row, l.runCounts[y], RunsInRow(l, map->expanded != 0, y), x, &index);
    if (probes > 0)
        *run = row + index;
    return probes;
}

// ---- shape-table reading ------------------------------------------------------

class ByteReader {
public:
    explicit ByteReader(ResourceStream* stream) : stream_(stream) {}
    // The next byte, or -1 at the end of the stream.
    int32_t Next() {
        if (at_ == filled_) {
            filled_ = ReadResourceStream(stream_, buffer_, sizeof(buffer_));
            at_ = 0;
            if (filled_ == 0)
                return -1;
        }
        return buffer_[at_++];
    }

private:
    ResourceStream* stream_;
    uint8_t buffer_[4096];
    uint32_t at_ = 0;
    uint32_t filled_ = 0;
};

// Gives every code the shared zero shape in a store of its own.
void ZeroShapesOnly(GameWorld* world) {
    world->tileShapeStore = static_cast<TileShape*>(ZAlloc(sizeof(TileShape)));
    world->tileShapeCount = 1;
    for (TileShape*& shape : world->tileShapes)
        shape = world->tileShapeStore;
}

} // namespace

// ---- the map ------------------------------------------------------------------

void InitTileRunMap(GameWorld* world) {
    for (TileRunLayer& layer : world->map.layers) {
        layer.rowRuns = nullptr;
        layer.runCounts = nullptr;
        layer.runBlock = nullptr;
        layer.width = 0;
        layer.rows = 0;
    }
    world->map.expanded = 0;
    world->placements = nullptr;
    world->placementGrid = nullptr;
    world->placementCount = -1;
}

int32_t LoadTileRunLayer(TileRunMap* map, int16_t* layerIndex, ResourceStream* stream) {
    const int32_t index = *layerIndex;
    if (index < 0 || index >= kTileLayerCount) {
        *layerIndex = kTileLayerCount;
        return 1;
    }
    map->expanded = 0;
    TileRunLayer* layer = &map->layers[index];
    // A caller that reloads without freeing first does not leak the old rows.
    ReleaseLayer(layer);
    layer->width = 0;
    layer->rows = 0;

    uint8_t header[kTileLayerHeaderBytes];
    if (!ReadExactly(stream, header, sizeof(header)))
        return FailLayer(map, index, layerIndex, "short read");
    const int32_t width = GetI16LE(header + 0);
    const int32_t rows = GetI16LE(header + 2);
    if (width < 1 || rows < 1 || width > kTileLayerMaxSide || rows > kTileLayerMaxSide)
        return FailLayer(map, index, layerIndex, "bad size");

    const uint32_t offsetCount = static_cast<uint32_t>(rows) + 1;
    std::vector<uint8_t> offsetBytes(offsetCount * 4);
    if (!ReadExactly(stream, offsetBytes.data(), static_cast<uint32_t>(offsetBytes.size())))
        return FailLayer(map, index, layerIndex, "short read");
    std::vector<uint32_t> offsets(offsetCount);
    for (uint32_t r = 0; r < offsetCount; ++r) {
        offsets[r] = GetU32LE(offsetBytes.data() + 4 * r);
        if (offsets[r] % kTileRunFileBytes != 0 || (r == 0 && offsets[r] != 0) ||
            (r > 0 && offsets[r] < offsets[r - 1]))
            return FailLayer(map, index, layerIndex, "bad row offsets");
        // A row never needs more runs than it has cells; this also keeps
        // the block small and every count inside an i16.
        if (r > 0 && (offsets[r] - offsets[r - 1]) / kTileRunFileBytes >
                         static_cast<uint32_t>(width))
            return FailLayer(map, index, layerIndex, "more runs than cells in a row");
    }

    const uint32_t runCount = offsets[rows] / kTileRunFileBytes;
    std::vector<uint8_t> runBytes(offsets[rows]);
    if (!ReadExactly(stream, runBytes.data(), offsets[rows]))
        return FailLayer(map, index, layerIndex, "short read");

    layer->width = static_cast<int16_t>(width);
    layer->rows = static_cast<int16_t>(rows);
    std::memcpy(layer->extraHeader, header + 4, sizeof(layer->extraHeader));
    // Never a zero-byte block: every row pointer points into a real block.
    layer->runBlock = static_cast<TileRun*>(
        ZAlloc(static_cast<int32_t>((runCount > 0 ? runCount : 1) * sizeof(TileRun))));
    for (uint32_t i = 0; i < runCount; ++i) {
        const uint8_t* p = runBytes.data() + kTileRunFileBytes * i;
        layer->runBlock[i].firstColumn = GetU16LE(p);
        layer->runBlock[i].extra = p[2];
        layer->runBlock[i].code = p[3];
    }
    layer->rowRuns = static_cast<TileRun**>(ZAlloc(static_cast<int32_t>(offsetCount * sizeof(TileRun*))));
    layer->runCounts = static_cast<int16_t*>(ZAlloc(static_cast<int32_t>(offsetCount * sizeof(int16_t))));
    for (uint32_t r = 0; r < offsetCount; ++r)
        layer->rowRuns[r] = layer->runBlock + offsets[r] / kTileRunFileBytes;
    for (int32_t r = 0; r < rows; ++r)
        layer->runCounts[r] =
            static_cast<int16_t>((offsets[r + 1] - offsets[r]) / kTileRunFileBytes + 1);

    *layerIndex = static_cast<int16_t>(index + 1);
    return *layerIndex > kTileLayerCount - 1 ? 1 : 0;
}

void ExpandTileRunLayers(TileRunMap* map) {
    if (map->expanded)
        return;
    for (int32_t index = 0; index < kTileLayerCount; ++index) {
        TileRunLayer* layer = &map->layers[index];
        // Only a layer still as loaded has anything to expand.
        if (layer->runBlock == nullptr || layer->rowRuns == nullptr || layer->runCounts == nullptr)
            continue;
        const int32_t width = layer->width;
        for (int32_t y = 0; y < layer->rows; ++y) {
            auto* row = static_cast<TileRun*>(
                ZAlloc(static_cast<int32_t>((width + 1) * sizeof(TileRun))));
            const TileRun* loaded = layer->rowRuns[y];
            const int32_t count = layer->runCounts[y];
            for (int32_t x = 0; x < width; ++x) {
                int32_t found = 0;
                row[x].firstColumn = static_cast<uint16_t>(x);
                row[x].extra = 0;
                row[x].code = ProbeRow(loaded, count, count - 1, x, &found) > 0
                                  ? loaded[found].code
                                  : 0;
            }
            layer->rowRuns[y] = row;
            layer->runCounts[y] = static_cast<int16_t>(width);
        }
        // The end pointer pointed into the block freed here.
        layer->rowRuns[layer->rows] = nullptr;
        std::free(layer->runBlock);
        layer->runBlock = nullptr;
    }
    map->expanded = 1;
}

void FreeTileRunMap(TileRunMap* map) {
    for (TileRunLayer& layer : map->layers) {
        ReleaseLayer(&layer);
        layer.width = 0;
        layer.rows = 0;
    }
    map->expanded = 0;
}

void FreeTileRunMapBuffers(GameWorld* world) {
    FreeAndNull(&world->placements);
    FreeAndNull(&world->placementGrid);
    world->placementCount = -1;
    world->placementCapacity = 0;
}

int32_t FindTileRun(int32_t x, int32_t y, int32_t layer, TileRunMap* map, TileRun** run) {
    const TileRun* found = nullptr;
    int32_t probes = FindInLayer(map, layer, x, y, &found);
    if (run != nullptr)
        *run = const_cast<TileRun*>(found);
    return probes;
}

int32_t TileCodeAt(const TileRunMap* map, int32_t layer, int32_t x, int32_t y) {
    if (!CellInLayer(map, layer, x, y))
        return -1;
    if (map->expanded) {
        const TileRunLayer& l = map->layers[layer];
        const TileRun* row = l.rowRuns[y];
        if (row != nullptr && x < l.runCounts[y] && row[x].firstColumn == x && row[x].extra == 0)
            return row[x].code;
    }
    const TileRun* run = nullptr;
    return FindInLayer(map, layer, x, y, &run) > 0 ? run->code : -1;
}

void ReadTileCodes(const TileRunMap* map, int32_t x0, int32_t y0, int32_t w, int32_t h,
                   uint8_t* out) {
    for (int32_t j = 0; j < h; ++j) {
        for (int32_t i = 0; i < w; ++i) {
            int64_t x = static_cast<int64_t>(x0) + i;
            int64_t y = static_cast<int64_t>(y0) + j;
            int32_t code = -1;
            if (x >= 0 && y >= 0 && x <= INT32_MAX && y <= INT32_MAX)
                code = TileCodeAt(map, 3, static_cast<int32_t>(x), static_cast<int32_t>(y));
            *out++ = code < 0 ? 255 : static_cast<uint8_t>(code);
        }
    }
}

void FadeBytes(uint8_t* bytes, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        bytes[i] = bytes[i] >= 240 ? static_cast<uint8_t>(bytes[i] - 240) : 0;
}

// ---- shapes -------------------------------------------------------------------

int32_t LoadTileShapes(GameWorld* world, ResourceArchive* archive, uint32_t entry) {
    FreeTileShapes(world);
    ResourceStream stream;
    if (!OpenResourceStream(archive, &stream, entry)) {
        CloseResourceStream(&stream);
        ZeroShapesOnly(world);
        return -1;
    }

    // Groups are kept while some code still names them; a group whose codes
    // all moved to later groups gives its place to the next group read, so
    // a long table never holds more than 257 shapes at once.
    std::vector<TileShape> groups;
    std::vector<int32_t> users;
    std::vector<int32_t> freePlaces;
    int32_t groupOf[kTileCodeCount];
    for (int32_t& g : groupOf)
        g = -1;

    ByteReader reader(&stream);
    for (;;) {
        int32_t byte = reader.Next();
        if (byte < 0)
            break;
        uint8_t codes[kTileCodeCount];
        int32_t codeCount = 0;
        bool seen[kTileCodeCount] = {};
        while (byte > 0) {
            if (!seen[byte]) {
                seen[byte] = true;
                codes[codeCount++] = static_cast<uint8_t>(byte);
            }
            byte = reader.Next();
        }
        // The shape's bytes; what the stream no longer holds stays zero.
        TileShape shape{};
        for (int32_t i = 0; i < kTileShapeBytes && byte == 0; ++i) {
            int32_t b = reader.Next();
            if (b < 0)
                break;
            shape.q[i] = static_cast<uint8_t>(b);
        }
        if (codeCount > 0) {
            int32_t place;
            if (!freePlaces.empty()) {
                place = freePlaces.back();
                freePlaces.pop_back();
            } else {
                place = static_cast<int32_t>(groups.size());
                groups.emplace_back();
                users.push_back(0);
            }
            groups[place] = shape;
            for (int32_t i = 0; i < codeCount; ++i) {
                int32_t old = groupOf[codes[i]];
                if (old >= 0 && --users[old] == 0)
                    freePlaces.push_back(old);
                groupOf[codes[i]] = place;
                ++users[place];
            }
        }
        if (byte < 0)
            break;
    }
    CloseResourceStream(&stream);

    // The store: every group still in use, then the shared zero shape.
    int32_t kept = 0;
    std::vector<int32_t> storeIndex(groups.size(), -1);
    for (size_t g = 0; g < groups.size(); ++g)
        if (users[g] > 0)
            storeIndex[g] = kept++;
    world->tileShapeCount = kept + 1;
    world->tileShapeStore =
        static_cast<TileShape*>(ZAlloc(static_cast<int32_t>((kept + 1) * sizeof(TileShape))));
    for (size_t g = 0; g < groups.size(); ++g)
        if (storeIndex[g] >= 0)
            world->tileShapeStore[storeIndex[g]] = groups[g];
    TileShape* zero = world->tileShapeStore + kept;
    for (int32_t code = 0; code < kTileCodeCount; ++code)
        world->tileShapes[code] =
            groupOf[code] >= 0 ? world->tileShapeStore + storeIndex[groupOf[code]] : zero;
    return 1;
}

void FreeTileShapes(GameWorld* world) {
    FreeAndNull(&world->tileShapeStore);
    world->tileShapeCount = 0;
    for (TileShape*& shape : world->tileShapes)
        shape = nullptr;
}
