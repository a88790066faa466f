#include "menus/save_file.h"

SaveBlock gSaveBlock;

UserRecord* CurrentUserRecord() {
    int32_t index = gSaveBlock.currentUser;
    if (index < 0 || index >= SAVE_USER_COUNT)
        return nullptr;
    return &gSaveBlock.users[index];
}
