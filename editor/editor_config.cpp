#include "editor/editor_config.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

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
    if (bytes == nullptr || size < kEditorConfigFileBytes)
        return false;
    for (int32_t i = 0; i < kEditorPaletteCodes; ++i)
        config->palette[i] = GetU16LE(bytes + 2 * i);
    std::memcpy(config->slot, bytes + kEditorConfigSlotOffset, sizeof(config->slot));
    config->viewFlags = bytes[kEditorConfigViewOffset];
    config->spare = bytes[kEditorConfigSpareOffset];
    SanitiseEditorConfig(config);
    return true;
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
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    FILE* file = std::fopen(path, "rb");
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
