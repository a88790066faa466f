// Writes a "game.cfg": the defaults, changed by options such as
// --fullscreen 0 --renderer 2 --editor 1 --width 640 --height 480 --fps 40.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/config.h"

namespace {

bool SetField(GameConfig* config, const char* name, int32_t value) {
    struct Field {
        const char* name;
        int32_t GameConfig::*field;
    };
    static const Field fields[] = {
        {"--width", &GameConfig::screenWidth},     {"--height", &GameConfig::screenHeight},
        {"--fps", &GameConfig::framesPerSecond},   {"--fullscreen", &GameConfig::fullscreen},
        {"--reduce", &GameConfig::reduceTextures}, {"--renderer", &GameConfig::rendererKind},
        {"--editor", &GameConfig::editorEnabled},
    };
    for (const Field& f : fields) {
        if (std::strcmp(name, f.name) == 0) {
            config->*f.field = value;
            return true;
        }
    }
    if (std::strcmp(name, "--colour16") == 0) {
        config->colour16 = static_cast<uint16_t>(value);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s <path> [--option value]...\n", argv[0]);
        return 2;
    }
    GameConfig config = {};
    SetDefaultConfig(&config);
    for (int i = 2; i + 1 < argc; i += 2) {
        if (!SetField(&config, argv[i], std::atoi(argv[i + 1]))) {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(config, bytes);
    if (WriteDataFile(argv[1], bytes, GAME_CONFIG_FILE_SIZE) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
