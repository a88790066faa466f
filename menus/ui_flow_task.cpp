// The UI-flow task as far as the screens exist today: it takes its place
// above the play task and is updated and drawn every frame.
#include "menus/ui_flow_task.h"

#include "engine/task_stack.h"

void UiFlowTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        break;
    case TASK_MSG_UPDATE:
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        break;
    default:
        break;
    }
}
