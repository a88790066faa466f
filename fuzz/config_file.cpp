// "game.cfg" comes from outside: any bytes must load without harm.
#include <cstdio>
#include <cstdint>
#include <string>
#include <stdlib.h>
#include <unistd.h>

#include "engine/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char path[] = "/tmp/qb-fuzz-cfg-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        unlink(path);
        return 0;
    }
    close(fd);
    uint8_t block[GAME_CONFIG_FILE_SIZE] = {};
    ReadDataFile(path, block, sizeof(block));
    // A file of another version is set aside beside it.
    unlink((std::string(path) + ".bad").c_str());
    GameConfig config;
    GameConfigFromBytes(block, &config);
    unlink(path);
    return 0;
}
