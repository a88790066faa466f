// Level files and shape tables as the game reads them, written from plain
// code grids: each layer's rows become runs of equal neighbouring codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

struct LevelLayerGrid {
    int32_t width = 0; // cells
    int32_t rows = 0;
    std::vector<uint8_t> codes; // width x rows, row by row
    std::array<uint8_t, 12> extraHeader{};

    uint8_t& At(int32_t x, int32_t y) { return codes[static_cast<size_t>(y) * width + x]; }
    uint8_t At(int32_t x, int32_t y) const { return codes[static_cast<size_t>(y) * width + x]; }
};

// A grid of one code.
LevelLayerGrid FilledLayer(int32_t width, int32_t rows, uint8_t code);

// The runs of one row: equal neighbours join, at most 256 cells a run.
struct WrittenRun {
    uint16_t firstColumn;
    uint8_t extra;
    uint8_t code;
};
std::vector<WrittenRun> RowRuns(const uint8_t* cells, int32_t width);

// One layer: the 16-byte header, rows + 1 row offsets, then the runs.
std::vector<uint8_t> WriteLevelLayer(const LevelLayerGrid& layer);
// The four layers one after the other, layer 0 first.
std::vector<uint8_t> WriteLevelFile(const std::array<LevelLayerGrid, 4>& layers);

// The shape table entry: one group per distinct shape, naming every code
// (1..255) that has it; code 0 cannot be named and is left out.
std::vector<uint8_t> WriteShapeTable(const std::map<uint8_t, std::array<uint8_t, 16>>& shapes);
