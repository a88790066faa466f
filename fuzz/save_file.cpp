// "game.sav" comes from outside: any bytes must load into a block whose
// names end and whose current user exists, and the hiscore rules must run
// on it without harm.
#include <cstdint>
#include <string>
#include <cstdlib>
#include <unistd.h>

#include "engine/helpers.h"
#include "menus/save_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char path[] = "/tmp/qb-fuzz-sav-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        unlink(path);
        return 0;
    }
    close(fd);
    ResetSaveBlock(&gSaveBlock);
    ReadSaveBlockFile(path);
    // A file of another version is set aside beside it.
    unlink((std::string(path) + ".bad").c_str());
    unlink(path);
    for (const UserRecord& user : gSaveBlock.users)
        if (WStrLen(user.name) >= SAVE_NAME_UNITS)
            std::abort();
    for (const HiscoreEntry& entry : gSaveBlock.hiscores)
        if (WStrLen(entry.name) >= SAVE_NAME_UNITS)
            std::abort();
    if (CurrentUserRecord() == nullptr)
        std::abort();
    InsertHiscore();
    return 0;
}
