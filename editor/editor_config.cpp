#include "editor/editor_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/bytes.h"
#include "engine/safe_file.h"

void SanitiseEditorConfig(EditorConfig* config) {
    for (uint16_t& code : config->palette)
        code &= 0xFF;
    for (uint8_t& slot : config->slot)
        if (slot >= kEditorSlotCount)
            slot = 0;
    config->viewFlags &= 3;
}

bool EditorConfigFromBytes(const uint8_t* bytes, size_t size, EditorConfig* config) {
    *config = EditorConfig{};
    // A short file keeps what it holds; the rest reads as zero. A code cut
    // in half keeps its low byte, which is all of it once sanitised.
    uint8_t record[kEditorConfigFileBytes] = {};
    const size_t kept = bytes == nullptr ? 0 : std::min(size, kEditorConfigFileBytes);
    if (kept > 0)
        std::memcpy(record, bytes, kept);
    for (int32_t i = 0; i < kEditorPaletteCodes; ++i)
        config->palette[i] = GetU16LE(record + 2 * i);
    std::memcpy(config->slot, record + kEditorConfigSlotOffset, sizeof(config->slot));
    config->viewFlags = record[kEditorConfigViewOffset];
    config->spare = record[kEditorConfigSpareOffset];
    SanitiseEditorConfig(config);
    return kept == kEditorConfigFileBytes;
}

void EditorConfigToBytes(const EditorConfig& config, uint8_t out[kEditorConfigFileBytes]) {
    for (int32_t i = 0; i < kEditorPaletteCodes; ++i)
        PutU16LE(out + 2 * i, config.palette[i]);
    std::memcpy(out + kEditorConfigSlotOffset, config.slot, sizeof(config.slot));
    out[kEditorConfigViewOffset] = config.viewFlags;
    out[kEditorConfigSpareOffset] = config.spare;
}

void LoadEditorConfig(const char* path, EditorConfig* config) {
    *config = EditorConfig{};
    // A FIFO or a device by that name would block the editor's start.
    FILE* file = RegularFileStream(OpenRegularFile(path), "rb");
    if (file == nullptr)
        return;
    uint8_t bytes[kEditorConfigFileBytes];
    const size_t got = std::fread(bytes, 1, sizeof(bytes), file);
    std::fclose(file);
    EditorConfigFromBytes(bytes, got, config);
}

bool SaveEditorConfig(const char* path, const EditorConfig& config) {
    uint8_t bytes[kEditorConfigFileBytes];
    EditorConfigToBytes(config, bytes);
    return WriteFileSafely(path, bytes, sizeof(bytes));
}
