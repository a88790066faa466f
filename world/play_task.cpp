// The play task as far as the world exists today: it takes its place above
// the application task and services the sound player every frame.
#include "world/play_task.h"

#include "engine/task_stack.h"
#include "media/mmplay.h"

void PlayTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        SetTaskTag(TASK_TAG_PLAY);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
        break;
    case TASK_MSG_UPDATE:
        gMMplay.Update();
        break;
    default:
        break;
    }
}
