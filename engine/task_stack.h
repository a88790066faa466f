// The task stack: every piece of work in the main loop is a task, a handler
// called with its own record and a message. At most 16 tasks; updates and
// draws run bottom-up once a frame; tasks talk through synchronous user
// messages and find each other by tag.
#pragma once

#include <cstdint>
#include <type_traits>

constexpr uint32_t TASK_FLAG_DRAW = 0x1;
constexpr uint32_t TASK_FLAG_UPDATE_BELOW = 0x4;
constexpr uint32_t TASK_FLAG_TOP = 0x100;

constexpr uint32_t TASK_MSG_ENTER = 1;
constexpr uint32_t TASK_MSG_DRAW = 2;
constexpr uint32_t TASK_MSG_UPDATE = 3;
constexpr uint32_t TASK_MSG_LEAVE = 4;
constexpr uint32_t TASK_MSG_SUSPEND = 5;
constexpr uint32_t TASK_MSG_RESUME = 6;
constexpr uint32_t TASK_MSG_USER = 0x1000000;

constexpr uint32_t TASK_TAG_APP = 0x80000000u;
constexpr uint32_t TASK_TAG_PLAY = 0x80000001u;
constexpr uint32_t TASK_TAG_UIFLOW = 0x80000002u;
constexpr uint32_t TASK_TAG_LEVELLOAD = 0x80000003u;
constexpr uint32_t TASK_TAG_EDITOR = 0x80000004u;

constexpr int TASK_STACK_SIZE = 16;

struct TaskRec;
typedef void (*TaskHandler)(TaskRec* task, uint32_t message);

struct TaskRec {
    uint32_t flags;
    uintptr_t param;
    TaskHandler handler;
    void* state;
    uintptr_t data;
    uintptr_t messageArg;
    int16_t prev;
    int16_t next;
    uint32_t tag;
    uint8_t leaving; // its leave message is being delivered

    template <typename T> T ParamAs() const { return FromWord<T>(param); }
    template <typename T> T DataAs() const { return FromWord<T>(data); }
    template <typename T> T MessageArgAs() const { return FromWord<T>(messageArg); }
    template <typename T> T* StateAs() const { return static_cast<T*>(state); }

private:
    template <typename T> static T FromWord(uintptr_t word) {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(word);
        else
            return static_cast<T>(word);
    }
};

struct TaskStack {
    TaskRec slots[TASK_STACK_SIZE];
    int32_t current; // slot index whose handler is being called, -1 for none
    uint32_t frameCount;
    int8_t top; // -1 when empty
    uint8_t stackFlags;
};

extern TaskStack* gTaskStack;

// Words that carry pointers in task messages.
template <typename T> inline uintptr_t TaskWord(T* pointer) {
    return reinterpret_cast<uintptr_t>(pointer);
}

void CreateTaskStack();
void DestroyTaskStack();
void PushTask(TaskHandler handler, uintptr_t data, uintptr_t param);
void PopTask();
void PopAllTasks();
void RunTasks();
int32_t GetTaskCount();
void SetTaskTag(uint32_t tag);
TaskRec* FindTaskByTag(uint32_t tag, uint16_t* cursor);
void SendTaskMessage(TaskRec* task, uint32_t n, uintptr_t arg);
int32_t BroadcastTaskMessage(uint32_t tag, uint32_t n, uintptr_t arg);
