#include "engine/task_stack.h"

#include "engine/helpers.h"

TaskStack* gTaskStack = nullptr;

static bool IsLive(const TaskRec& slot) {
    return slot.handler != nullptr && !slot.leaving;
}

void CreateTaskStack() {
    gTaskStack = static_cast<TaskStack*>(ZAlloc(sizeof(TaskStack)));
    gTaskStack->top = -1;
    gTaskStack->current = -1;
    for (int i = 0; i < TASK_STACK_SIZE; ++i) {
        gTaskStack->slots[i].prev = static_cast<int16_t>(i - 1);
        gTaskStack->slots[i].next = static_cast<int16_t>(i + 1);
    }
    gTaskStack->slots[TASK_STACK_SIZE - 1].next = -1;
}

void DestroyTaskStack() {
    FreeAndNull(&gTaskStack);
}

void PushTask(TaskHandler handler, uintptr_t data, uintptr_t param) {
    TaskStack* ts = gTaskStack;
    if (ts->top >= TASK_STACK_SIZE - 1)
        FatalMessage("Task stack is full\n");
    int32_t saved = ts->current;
    int index = ++ts->top;
    TaskRec& slot = ts->slots[index];
    slot.param = param;
    ts->current = index;
    slot.data = data;
    slot.handler = handler;
    // A stale tag would let FindTaskByTag see the previous occupant.
    slot.tag = 0;
    slot.messageArg = 0;
    handler(&slot, TASK_MSG_ENTER);
    ts->current = saved;
}

// The topmost task not already leaving; -1 when there is none.
static int TopLiveIndex() {
    for (int i = gTaskStack->top; i >= 0; --i)
        if (IsLive(gTaskStack->slots[i]))
            return i;
    return -1;
}

void PopTask() {
    TaskStack* ts = gTaskStack;
    if (ts == nullptr)
        return;
    int index = TopLiveIndex();
    if (index < 0)
        return;
    TaskRec& slot = ts->slots[index];
    slot.leaving = 1;
    ts->current = index;
    slot.handler(&slot, TASK_MSG_LEAVE);
    slot.state = nullptr;
    slot.flags = 0;
    slot.handler = nullptr;
    slot.leaving = 0;
    // Slots above may still be leaving (a pop nested in a leave handler).
    while (ts->top >= 0 && ts->slots[ts->top].handler == nullptr)
        --ts->top;
    ts->current = ts->top;
}

void PopAllTasks() {
    while (gTaskStack != nullptr && TopLiveIndex() >= 0)
        PopTask();
}

void RunTasks() {
    TaskStack* ts = gTaskStack;
    if (ts->stackFlags & 1)
        return;
    ++ts->frameCount;
    for (int i = 0; i <= ts->top; ++i) {
        TaskRec& slot = ts->slots[i];
        if (!IsLive(slot))
            continue;
        if (i == ts->top) {
            slot.flags |= TASK_FLAG_TOP;
        } else {
            slot.flags &= ~TASK_FLAG_TOP;
            if (!(slot.flags & TASK_FLAG_UPDATE_BELOW))
                continue;
        }
        ts->current = i;
        slot.handler(&slot, TASK_MSG_UPDATE);
    }
    for (int i = 0; i <= ts->top; ++i) {
        TaskRec& slot = ts->slots[i];
        if (!IsLive(slot) || !(slot.flags & TASK_FLAG_DRAW))
            continue;
        ts->current = i;
        slot.handler(&slot, TASK_MSG_DRAW);
    }
}

int32_t GetTaskCount() {
    return gTaskStack != nullptr ? gTaskStack->top + 1 : 0;
}

void SetTaskTag(uint32_t tag) {
    if (gTaskStack->current >= 0)
        gTaskStack->slots[gTaskStack->current].tag = tag;
}

TaskRec* FindTaskByTag(uint32_t tag, uint16_t* cursor) {
    TaskStack* ts = gTaskStack;
    for (int i = *cursor; i <= ts->top; ++i) {
        if (IsLive(ts->slots[i]) && ts->slots[i].tag == tag) {
            *cursor = static_cast<uint16_t>(i + 1);
            return &ts->slots[i];
        }
    }
    *cursor = static_cast<uint16_t>(ts->top + 1);
    return nullptr;
}

void SendTaskMessage(TaskRec* task, uint32_t n, uintptr_t arg) {
    // A record kept across a pop is an empty slot: nothing to deliver to.
    if (task == nullptr || task->handler == nullptr)
        return;
    task->messageArg = arg;
    task->handler(task, n ^ TASK_MSG_USER);
}

int32_t BroadcastTaskMessage(uint32_t tag, uint32_t n, uintptr_t arg) {
    uint16_t cursor = 0;
    int32_t delivered = 0;
    while (TaskRec* task = FindTaskByTag(tag, &cursor)) {
        SendTaskMessage(task, n, arg);
        delivered = 1;
    }
    return delivered;
}
