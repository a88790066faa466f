// The UI-flow task as far as the screens exist today: it takes its place
// above the play task, is updated and drawn every frame, and starts the
// first playable level once, so that the game shows a level to play.
#include "menus/ui_flow_task.h"

#include "engine/archive.h"
#include "engine/task_stack.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/play_task.h"

namespace {

// An archive without the level index (no world yet) would stop the level
// loader with a fatal message, so such an archive shows no level.
bool ArchiveHasLevels() {
    uint32_t index = 0;
    return ReadEntryWord(&gResourceArchive, kLevelIndexEntry, &index) != 0;
}

// Level 1 is the front end that runs behind the menus; the levels to play
// start at 2.
constexpr int16_t kFirstPlayableLevel = 2;

} // namespace

void UiFlowTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        break;
    case TASK_MSG_UPDATE:
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        // A restart loads the requested level. The data word, 0 as pushed,
        // remembers that it was asked for.
        if (task->data == 0 && ArchiveHasLevels()) {
            GameWorld* world = nullptr;
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD,
                                 reinterpret_cast<uintptr_t>(&world));
            if (world != nullptr) {
                world->requestedLevel = kFirstPlayableLevel;
                BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
                task->data = 1;
            }
        }
        break;
    default:
        break;
    }
}
