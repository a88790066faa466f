#include "tools/sample/level_writer.h"

#include "engine/bytes.h"

LevelLayerGrid FilledLayer(int32_t width, int32_t rows, uint8_t code) {
    LevelLayerGrid grid;
    grid.width = width;
    grid.rows = rows;
    grid.codes.assign(static_cast<size_t>(width) * rows, code);
    return grid;
}

std::vector<WrittenRun> RowRuns(const uint8_t* cells, int32_t width) {
    std::vector<WrittenRun> runs;
    for (int32_t x = 0; x < width; ++x) {
        if (!runs.empty() && runs.back().code == cells[x] && runs.back().extra < 255) {
            ++runs.back().extra;
            continue;
        }
        runs.push_back({static_cast<uint16_t>(x), 0, cells[x]});
    }
    return runs;
}

std::vector<uint8_t> WriteLevelLayer(const LevelLayerGrid& layer) {
    std::vector<std::vector<WrittenRun>> rows;
    for (int32_t y = 0; y < layer.rows; ++y)
        rows.push_back(RowRuns(layer.codes.data() + static_cast<size_t>(y) * layer.width,
                               layer.width));

    std::vector<uint8_t> out(16 + 4 * (static_cast<size_t>(layer.rows) + 1));
    PutI16LE(out.data() + 0, static_cast<int16_t>(layer.width));
    PutI16LE(out.data() + 2, static_cast<int16_t>(layer.rows));
    for (size_t i = 0; i < layer.extraHeader.size(); ++i)
        out[4 + i] = layer.extraHeader[i];
    uint32_t offset = 0;
    for (int32_t y = 0; y <= layer.rows; ++y) {
        PutU32LE(out.data() + 16 + 4 * y, offset);
        if (y < layer.rows)
            offset += static_cast<uint32_t>(4 * rows[y].size());
    }
    for (const std::vector<WrittenRun>& row : rows) {
        for (const WrittenRun& run : row) {
            uint8_t bytes[4];
            PutU16LE(bytes, run.firstColumn);
            bytes[2] = run.extra;
            bytes[3] = run.code;
            out.insert(out.end(), bytes, bytes + 4);
        }
    }
    return out;
}

std::vector<uint8_t> WriteLevelFile(const std::array<LevelLayerGrid, 4>& layers) {
    std::vector<uint8_t> out;
    for (const LevelLayerGrid& layer : layers) {
        std::vector<uint8_t> bytes = WriteLevelLayer(layer);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<uint8_t> WriteShapeTable(const std::map<uint8_t, std::array<uint8_t, 16>>& shapes) {
    std::map<std::array<uint8_t, 16>, std::vector<uint8_t>> codesOf;
    for (const auto& [code, shape] : shapes)
        if (code != 0)
            codesOf[shape].push_back(code);
    std::vector<uint8_t> out;
    for (const auto& [shape, codes] : codesOf) {
        out.insert(out.end(), codes.begin(), codes.end());
        out.push_back(0);
        out.insert(out.end(), shape.begin(), shape.end());
    }
    return out;
}
