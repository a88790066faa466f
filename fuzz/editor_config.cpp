// "editor.cfg" as the editor reads it, and a level file's name as the
// catalogue stores it, from any bytes: every brush slot, view step and code
// read must be usable as an index, a record read back from its own bytes
// must be the same record, and a name accepted for saving stays in the
// game's folder by its words.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "editor/editor_config.h"
#include "editor/editor_state.h"
#include "engine/game_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EditorConfig config{};
    const bool read = EditorConfigFromBytes(data, size, &config);
    for (int32_t l = 0; l < kEditorLayerCount; ++l) {
        if (config.slot[l] >= kEditorSlotCount)
            __builtin_trap();
        if (PaletteCode(&config, l, config.slot[l]) >= 256)
            __builtin_trap();
    }
    if (config.viewFlags > 3)
        __builtin_trap();
    if (read) {
        uint8_t bytes[kEditorConfigFileBytes];
        EditorConfigToBytes(config, bytes);
        EditorConfig again{};
        if (!EditorConfigFromBytes(bytes, sizeof(bytes), &again))
            __builtin_trap();
        uint8_t twice[kEditorConfigFileBytes];
        EditorConfigToBytes(again, twice);
        if (std::memcmp(bytes, twice, sizeof(bytes)) != 0 || bytes[85] != data[85])
            __builtin_trap();
    }

    const std::string path = DecodeSavePath(data, size);
    if (path.size() > 2 * size || path.find('\\') != std::string::npos ||
        path.find('\0') != std::string::npos)
        __builtin_trap();
    if (GamePathRefusal(path) == nullptr) {
        const std::string wrapped = "/" + path + "/";
        if (path[0] == '/' || wrapped.find("/../") != std::string::npos ||
            wrapped.find("//") != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
