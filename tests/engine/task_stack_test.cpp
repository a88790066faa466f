#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "engine/task_stack.h"

namespace {

// Every handler call is logged as "<name>:<message>".
std::vector<std::string> gLog;

std::string MessageName(uint32_t m) {
    switch (m) {
    case TASK_MSG_ENTER:
        return "enter";
    case TASK_MSG_DRAW:
        return "draw";
    case TASK_MSG_UPDATE:
        return "update";
    case TASK_MSG_LEAVE:
        return "leave";
    default:
        return "user" + std::to_string(m ^ TASK_MSG_USER);
    }
}

template <char Name> void Logger(TaskRec* task, uint32_t message) {
    (void)task;
    gLog.push_back(std::string(1, Name) + ":" + MessageName(message));
}

class TaskStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLog.clear();
        CreateTaskStack();
    }
    void TearDown() override {
        PopAllTasks();
        DestroyTaskStack();
    }
};

void SelfPopOnEnter(TaskRec* task, uint32_t message) {
    Logger<'S'>(task, message);
    if (message == TASK_MSG_ENTER) {
        task->state = reinterpret_cast<void*>(0x1234);
        task->flags = TASK_FLAG_DRAW;
        PopTask();
    }
}

TEST_F(TaskStackTest, EmptyStackOnlyCountsFrames) {
    EXPECT_EQ(GetTaskCount(), 0);
    RunTasks();
    EXPECT_EQ(gTaskStack->frameCount, 1u);
    PopAllTasks();
    PopTask(); // harmless on an empty stack
    EXPECT_EQ(GetTaskCount(), 0);
    EXPECT_TRUE(gLog.empty());
}

TEST_F(TaskStackTest, TaskPoppingItselfInEnterLeavesBeforePushReturns) {
    PushTask(Logger<'A'>, 0, 0);
    PushTask(SelfPopOnEnter, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"A:enter", "S:enter", "S:leave"}), gLog);
    EXPECT_EQ(GetTaskCount(), 1);
    EXPECT_EQ(gTaskStack->slots[1].state, nullptr);
    EXPECT_EQ(gTaskStack->slots[1].flags, 0u);
}

void SetUpdateBelow(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        task->flags |= TASK_FLAG_UPDATE_BELOW | TASK_FLAG_DRAW;
    Logger<'A'>(task, message);
}

TEST_F(TaskStackTest, UpdatesTopAndUpdateBelowTasksBottomUp) {
    PushTask(SetUpdateBelow, 0, 0);
    PushTask(Logger<'B'>, 0, 0);
    PushTask(Logger<'C'>, 0, 0);
    gLog.clear();
    RunTasks();
    EXPECT_EQ((std::vector<std::string>{"A:update", "C:update", "A:draw"}), gLog);
    EXPECT_EQ(gTaskStack->slots[2].flags & TASK_FLAG_TOP, TASK_FLAG_TOP);
    EXPECT_EQ(gTaskStack->slots[0].flags & TASK_FLAG_TOP, 0u);
    EXPECT_EQ(gTaskStack->slots[1].flags & TASK_FLAG_TOP, 0u);
}

void DrawingD(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        task->flags |= TASK_FLAG_DRAW;
    Logger<'D'>(task, message);
}

void PushesDOnUpdate(TaskRec* task, uint32_t message) {
    Logger<'C'>(task, message);
    if (message == TASK_MSG_UPDATE && GetTaskCount() == 1)
        PushTask(DrawingD, 0, 0);
}

TEST_F(TaskStackTest, TaskPushedDuringUpdateRunsInTheSamePass) {
    PushTask(PushesDOnUpdate, 0, 0);
    gLog.clear();
    RunTasks();
    EXPECT_EQ((std::vector<std::string>{"C:update", "D:enter", "D:update", "D:draw"}), gLog);
}

void PopsAllOnUpdate(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        task->flags |= TASK_FLAG_UPDATE_BELOW | TASK_FLAG_DRAW;
    Logger<'A'>(task, message);
    if (message == TASK_MSG_UPDATE)
        PopAllTasks();
}

TEST_F(TaskStackTest, PopAllDuringUpdateLeavesTopDownAndDrawsNothing) {
    PushTask(PopsAllOnUpdate, 0, 0);
    PushTask(Logger<'B'>, 0, 0);
    PushTask(DrawingD, 0, 0);
    gLog.clear();
    RunTasks();
    EXPECT_EQ((std::vector<std::string>{"A:update", "D:leave", "B:leave", "A:leave"}), gLog);
    EXPECT_EQ(GetTaskCount(), 0);
}

void PopsAllOnLeave(TaskRec* task, uint32_t message) {
    Logger<'L'>(task, message);
    if (message == TASK_MSG_LEAVE)
        PopAllTasks(); // as a fatal exit from a leave handler would
}

TEST_F(TaskStackTest, NestedPopAllNeverSendsASecondLeave) {
    PushTask(Logger<'A'>, 0, 0);
    PushTask(PopsAllOnLeave, 0, 0);
    PushTask(Logger<'C'>, 0, 0);
    gLog.clear();
    PopAllTasks();
    EXPECT_EQ((std::vector<std::string>{"C:leave", "L:leave", "A:leave"}), gLog);
    EXPECT_EQ(GetTaskCount(), 0);
}

void PushesOnLeave(TaskRec* task, uint32_t message) {
    Logger<'P'>(task, message);
    if (message == TASK_MSG_LEAVE && GetTaskCount() == 1)
        PushTask(Logger<'N'>, 0, 0);
}

TEST_F(TaskStackTest, PopClearsThePoppedSlotEvenWhenLeavePushes) {
    PushTask(PushesOnLeave, 0, 0);
    gTaskStack->slots[0].state = reinterpret_cast<void*>(0x10);
    PopTask();
    EXPECT_EQ(gTaskStack->slots[0].state, nullptr);
    // The task pushed during the leave is still there and still runs.
    EXPECT_EQ(GetTaskCount(), 2);
    gLog.clear();
    RunTasks();
    EXPECT_EQ((std::vector<std::string>{"N:update"}), gLog);
}

void Answers(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(0x80000001u);
    if (message == (TASK_MSG_USER ^ 100u))
        *task->MessageArgAs<int64_t*>() = 0x123456789LL;
    Logger<'Q'>(task, message);
}

TEST_F(TaskStackTest, UserMessageCarriesAFullPointer) {
    PushTask(Answers, 0, 0);
    int64_t answer = 0; // on the stack: above 4 GiB on x86-64
    uint16_t cursor = 0;
    TaskRec* task = FindTaskByTag(TASK_TAG_PLAY, &cursor);
    ASSERT_NE(task, nullptr);
    SendTaskMessage(task, 100, TaskWord(&answer));
    EXPECT_EQ(answer, 0x123456789LL);
    EXPECT_EQ(gLog.back(), "Q:user100");
    EXPECT_EQ(task->messageArg, TaskWord(&answer));
    // A record kept after its task left receives nothing.
    PopTask();
    gLog.clear();
    SendTaskMessage(task, 100, TaskWord(&answer));
    SendTaskMessage(nullptr, 100, 0);
    EXPECT_TRUE(gLog.empty());
}

void TaggedX(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(7);
    Logger<'X'>(task, message);
}

TEST_F(TaskStackTest, FindByTagListsBottomUpThenStopsAboveTop) {
    PushTask(TaggedX, 0, 0);
    PushTask(Logger<'B'>, 0, 0);
    PushTask(TaggedX, 0, 0);
    uint16_t cursor = 0;
    EXPECT_EQ(FindTaskByTag(7, &cursor), &gTaskStack->slots[0]);
    EXPECT_EQ(FindTaskByTag(7, &cursor), &gTaskStack->slots[2]);
    EXPECT_EQ(FindTaskByTag(7, &cursor), nullptr);
    EXPECT_EQ(cursor, 3);
    gLog.clear();
    EXPECT_EQ(BroadcastTaskMessage(7, 3, 0), 1);
    EXPECT_EQ(gLog.size(), 2u);
    gLog.clear();
    EXPECT_EQ(BroadcastTaskMessage(99, 3, 0), 0);
    EXPECT_TRUE(gLog.empty());
}

TEST_F(TaskStackTest, PushClearsTheStaleTagOfTheSlot) {
    PushTask(TaggedX, 0, 0);
    SendTaskMessage(&gTaskStack->slots[0], 1, 0x55);
    PopTask();
    PushTask(Logger<'B'>, 5, 6);
    uint16_t cursor = 0;
    EXPECT_EQ(FindTaskByTag(7, &cursor), nullptr);
    EXPECT_EQ(gTaskStack->slots[0].messageArg, 0u);
    EXPECT_EQ(gTaskStack->slots[0].DataAs<int>(), 5);
    EXPECT_EQ(gTaskStack->slots[0].ParamAs<int>(), 6);
}

TEST_F(TaskStackTest, PushOntoAFullStackIsFatal) {
    for (int i = 0; i < TASK_STACK_SIZE; ++i)
        PushTask(Logger<'F'>, 0, 0);
    // The diagnostic goes to standard output; the death test reads stderr.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            PushTask(Logger<'F'>, 0, 0);
        },
        ::testing::ExitedWithCode(1), "Task stack is full");
}

void PushesThenTags(TaskRec* task, uint32_t message) {
    Logger<'P'>(task, message);
    if (message == TASK_MSG_ENTER) {
        PushTask(TaggedX, 0, 0);
        SetTaskTag(5); // still this task's tag after the nested push
    }
}

TEST_F(TaskStackTest, ANestedPushGivesTheCurrentSlotBackToThePusher) {
    PushTask(PushesThenTags, 0, 0);
    EXPECT_EQ(gTaskStack->slots[0].tag, 5u);
    EXPECT_EQ(gTaskStack->slots[1].tag, 7u);
    EXPECT_EQ((std::vector<std::string>{"P:enter", "X:enter"}), gLog);
}

TEST_F(TaskStackTest, ASuspendedStackRunsNothing) {
    PushTask(DrawingD, 0, 0);
    gLog.clear();
    gTaskStack->stackFlags = 1;
    RunTasks();
    EXPECT_EQ(gTaskStack->frameCount, 0u);
    EXPECT_TRUE(gLog.empty());
    gTaskStack->stackFlags = 0;
}

void PopsOnceOnLeave(TaskRec* task, uint32_t message) {
    Logger<'L'>(task, message);
    if (message == TASK_MSG_LEAVE)
        PopTask();
}

TEST_F(TaskStackTest, APopInsideALeavePopsTheTaskBelowNotTheLeavingOne) {
    PushTask(Logger<'A'>, 0, 0);
    PushTask(Logger<'B'>, 0, 0);
    PushTask(PopsOnceOnLeave, 0, 0);
    gLog.clear();
    PopTask();
    EXPECT_EQ((std::vector<std::string>{"L:leave", "B:leave"}), gLog);
    EXPECT_EQ(GetTaskCount(), 1);
    EXPECT_EQ(gTaskStack->slots[1].handler, nullptr);
    EXPECT_EQ(gTaskStack->slots[2].handler, nullptr);
}

void PopsTopOnUpdate(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        task->flags |= TASK_FLAG_UPDATE_BELOW;
    Logger<'A'>(task, message);
    if (message == TASK_MSG_UPDATE && GetTaskCount() == 3)
        PopTask();
}

TEST_F(TaskStackTest, AnUpdateThatPopsTheTopMakesTheNextTaskTopInTheSamePass) {
    PushTask(PopsTopOnUpdate, 0, 0);
    PushTask(Logger<'B'>, 0, 0);
    PushTask(DrawingD, 0, 0);
    gLog.clear();
    RunTasks();
    EXPECT_EQ((std::vector<std::string>{"A:update", "D:leave", "B:update"}), gLog);
    EXPECT_EQ(gTaskStack->slots[1].flags & TASK_FLAG_TOP, TASK_FLAG_TOP);
}

} // namespace
