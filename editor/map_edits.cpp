#include "editor/map_edits.h"

#include <algorithm>
#include <cstdlib>

#include "editor/map_cells.h"
#include "engine/helpers.h"
#include "world/tile_map.h"

namespace {

// The layer an edit may change, or null when the edit does nothing.
TileRunLayer* EditableLayer(TileRunMap* map, uint32_t layer, int32_t position, int32_t count) {
    if (map == nullptr || map->expanded == 0 || count < 1 || position < 0 ||
        layer >= static_cast<uint32_t>(kTileLayerCount))
        return nullptr;
    TileRunLayer* l = &map->layers[layer];
    return HasRowTables(*l) && l->rows >= 0 && l->width >= 0 ? l : nullptr;
}

// A level file cannot hold a layer beyond this, so an edit that would make
// one is refused rather than leave a map that cannot be saved.
bool FitsLevelFile(int32_t size, int32_t count) {
    return static_cast<int64_t>(size) + count <= kTileLayerMaxSide;
}

TileRun* CopyRow(const TileRunLayer& layer, int32_t r) {
    TileRun* row = NewExpandedRow(layer.width);
    for (int32_t c = 0; c < layer.width; ++c)
        row[c].code = ExpandedCellCode(layer, r, c);
    return row;
}

// The count an edit at p may delete from `size` cells or rows: never the
// last one.
int32_t DeletableCount(int32_t p, int32_t count, int32_t size) {
    if (static_cast<int64_t>(p) + count >= size)
        return size - p - 1;
    return count;
}

} // namespace

TileRun* NewExpandedRow(int32_t width) {
    const int32_t cells = std::max(width, 0) + 1;
    auto* row = static_cast<TileRun*>(ZAlloc(cells * static_cast<int32_t>(sizeof(TileRun))));
    for (int32_t c = 0; c < cells; ++c)
        row[c].firstColumn = static_cast<uint16_t>(c);
    return row;
}

int32_t InsertMapRows(int32_t position, int32_t count, uint32_t layer, TileRunMap* map) {
    TileRunLayer* l = EditableLayer(map, layer, position, count);
    if (l == nullptr || !FitsLevelFile(l->rows, count))
        return 0;
    const int32_t rows = l->rows;
    const int32_t p = rows == 0 ? 0 : std::min(position, rows - 1);
    const int32_t newRows = rows + count;
    auto** runs = static_cast<TileRun**>(
        ZAlloc((newRows + 1) * static_cast<int32_t>(sizeof(TileRun*))));
    auto* counts =
        static_cast<int16_t*>(ZAlloc((newRows + 1) * static_cast<int32_t>(sizeof(int16_t))));
    for (int32_t r = 0; r < p; ++r) {
        runs[r] = l->rowRuns[r];
        counts[r] = l->runCounts[r];
    }
    for (int32_t k = 0; k < count; ++k) {
        const int32_t source = p + k;
        runs[p + k] = source < rows ? CopyRow(*l, source) : NewExpandedRow(l->width);
        counts[p + k] = l->width;
    }
    for (int32_t r = p; r < rows; ++r) {
        runs[r + count] = l->rowRuns[r];
        counts[r + count] = l->runCounts[r];
    }
    // The rows themselves moved into the new table.
    std::free(l->rowRuns);
    std::free(l->runCounts);
    l->rowRuns = runs;
    l->runCounts = counts;
    l->rows = static_cast<int16_t>(newRows);
    return 1;
}

int32_t DeleteMapRows(int32_t position, int32_t count, uint32_t layer, TileRunMap* map) {
    TileRunLayer* l = EditableLayer(map, layer, position, count);
    if (l == nullptr || l->rows < 1)
        return 0;
    const int32_t rows = l->rows;
    const int32_t p = std::min(position, rows - 1);
    count = DeletableCount(p, count, rows);
    if (count < 1)
        return 0;
    for (int32_t r = p; r < p + count; ++r)
        std::free(l->rowRuns[r]);
    for (int32_t r = p + count; r < rows; ++r) {
        l->rowRuns[r - count] = l->rowRuns[r];
        l->runCounts[r - count] = l->runCounts[r];
    }
    const int32_t newRows = rows - count;
    // Nothing past the last row may still name a row: the free of the
    // layer walks the rows it holds, and each row is freed once.
    for (int32_t r = newRows; r <= rows; ++r) {
        l->rowRuns[r] = nullptr;
        l->runCounts[r] = 0;
    }
    l->rows = static_cast<int16_t>(newRows);
    return 1;
}

int32_t InsertMapColumns(int32_t position, int32_t count, uint32_t layer, TileRunMap* map) {
    TileRunLayer* l = EditableLayer(map, layer, position, count);
    if (l == nullptr || !FitsLevelFile(l->width, count))
        return 0;
    const int32_t width = l->width;
    const int32_t p = width == 0 ? 0 : std::min(position, width - 1);
    const int32_t newWidth = width + count;
    for (int32_t r = 0; r < l->rows; ++r) {
        TileRun* row = NewExpandedRow(newWidth);
        for (int32_t c = 0; c < p; ++c)
            row[c].code = ExpandedCellCode(*l, r, c);
        for (int32_t k = 0; k < count; ++k)
            row[p + k].code = p + k < width ? ExpandedCellCode(*l, r, p + k) : 0;
        for (int32_t c = p; c < width; ++c)
            row[c + count].code = ExpandedCellCode(*l, r, c);
        std::free(l->rowRuns[r]);
        l->rowRuns[r] = row;
        l->runCounts[r] = static_cast<int16_t>(newWidth);
    }
    l->width = static_cast<int16_t>(newWidth);
    return 1;
}

int32_t DeleteMapColumns(int32_t position, int32_t count, uint32_t layer, TileRunMap* map) {
    TileRunLayer* l = EditableLayer(map, layer, position, count);
    if (l == nullptr || l->width < 1)
        return 0;
    const int32_t width = l->width;
    const int32_t p = std::min(position, width - 1);
    count = DeletableCount(p, count, width);
    if (count < 1)
        return 0;
    const int32_t newWidth = width - count;
    // Each row is made afresh rather than moved in place: a row shorter
    // than the layer is wide is then never written past its end.
    for (int32_t r = 0; r < l->rows; ++r) {
        TileRun* row = NewExpandedRow(newWidth);
        for (int32_t c = 0; c < newWidth; ++c)
            row[c].code = ExpandedCellCode(*l, r, c < p ? c : c + count);
        std::free(l->rowRuns[r]);
        l->rowRuns[r] = row;
        l->runCounts[r] = static_cast<int16_t>(newWidth);
    }
    l->width = static_cast<int16_t>(newWidth);
    return 1;
}
