#include "menus/dialog_parts.h"

#include <cstdlib>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/task_stack.h"
#include "media/mmplay.h"
#include "world/play_task.h"

std::u16string DialogText(uint32_t group, int32_t item) {
    // The catalogue does not check an item against its group's end: a
    // missing item would read the next group's entry.
    if (item < 0 || static_cast<uint32_t>(item) >= GetGroupSize(&gResourceCatalogue, group))
        return std::u16string();
    char16_t* units = LoadResourceText(&gResourceCatalogue, group + RESOURCE_NUMBER_BASE,
                                       static_cast<uint32_t>(item));
    if (units == nullptr)
        return std::u16string();
    std::u16string text(units);
    std::free(units);
    return text;
}

void PlayMenuSound(uint32_t group) {
    if (GetGroupSize(&gResourceCatalogue, group) == 0)
        return;
    ResourceArchive* archive = gResourceCatalogue.archive;
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, group, 0);
    uint32_t type = GetEntryType(archive, entry);
    if (type == RES_TYPE_LINK)
        type = GetEntryType(archive, ResolveResourceLink(archive, entry));
    // Anything else would hand a buffer's address to the player as a sound.
    if (!ResourceTypeInClass(type, RES_CLASS_SOUND))
        return;
    ResourceHandle sound = GetResource(&gResourceCatalogue, group, 0);
    gMMplay.Play(-1, 0, static_cast<int32_t>(sound), SOUND_PREDECODED, 1);
}

void PlayDialogClick() {
    PlayMenuSound(MENU_CLICK_SOUND_GROUP);
}

GameWorld* DialogPlayWorld() {
    GameWorld* world = nullptr;
    if (gTaskStack != nullptr)
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

void SendDialogPlayMessage(uint32_t message, uintptr_t argument) {
    if (gTaskStack != nullptr)
        BroadcastTaskMessage(TASK_TAG_PLAY, message, argument);
}
