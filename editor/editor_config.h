// "editor.cfg": the editor's brush bar and view setting, kept between runs
// as one raw 86-byte record with no version word.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kEditorLayerCount = 4;
constexpr int32_t kEditorSlotCount = 10;
constexpr int32_t kEditorPaletteCodes = kEditorLayerCount * kEditorSlotCount;
constexpr size_t kEditorConfigFileBytes = 86;
constexpr const char* kEditorConfigPath = "editor.cfg";

// Offsets of the fields in the file.
constexpr size_t kEditorConfigSlotOffset = 80;
constexpr size_t kEditorConfigViewOffset = 84;
constexpr size_t kEditorConfigSpareOffset = 85;

struct EditorConfig {
    uint16_t palette[kEditorPaletteCodes]; // slot s of layer l at l * 10 + s
    uint8_t slot[kEditorLayerCount];       // the selected brush slot of each layer
    uint8_t viewFlags;                     // overlay opacity step 0..3
    uint8_t spare;                         // kept as read
};
static_assert(sizeof(EditorConfig) == kEditorConfigFileBytes, "editor.cfg is 86 bytes");

// The brush code of slot `s` of layer `l`; both must be in range.
inline uint16_t& PaletteCode(EditorConfig* config, int32_t l, int32_t s) {
    return config->palette[l * kEditorSlotCount + s];
}

// Keeps every value usable as an index: a slot above 9 becomes 0, the view
// flags keep their low two bits, palette codes are taken modulo 256.
void SanitiseEditorConfig(EditorConfig* config);

// The record from its file bytes, field by field, then sanitised. Fewer
// than 86 bytes fill what they hold and leave the rest zero, and give false.
bool EditorConfigFromBytes(const uint8_t* bytes, size_t size, EditorConfig* config);
void EditorConfigToBytes(const EditorConfig& config, uint8_t out[kEditorConfigFileBytes]);

// Reads the file; a missing file leaves the record all zero, a short one
// the fields it does not reach.
void LoadEditorConfig(const char* path, EditorConfig* config);
// Writes the file through a temporary file, so a failed write keeps the old
// one. False, with a line saying why, when it could not be written (the
// editor carries on).
bool SaveEditorConfig(const char* path, const EditorConfig& config);
