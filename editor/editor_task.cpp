// The editor task as far as the editor exists today: it takes its place on
// top of the stack.
#include "editor/editor_task.h"

#include "engine/task_stack.h"

void EditorTaskHandler(TaskRec*, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(TASK_TAG_EDITOR);
}
