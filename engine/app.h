// The program's start and end: the main loop that runs and paces one frame
// of the task stack at a time, and the application task at the bottom of
// the stack, which brings the engine's services up and down.
#pragma once

#include <cstdint>

#include "engine/task_stack.h"

extern int32_t gAppActive;
extern int32_t gAppWasActive;
extern uint32_t gFrameCounter;
extern int32_t gFramePeriodMs;
extern int32_t gScreenRect[4];
// Non-zero once start-up failed: the program then ends with a failure code.
extern int32_t gAppExitCode;

// The tasks the application task pushes once the engine is up: play, UI
// flow and, when the configuration asks for it, the editor. Tests replace
// them with recording wrappers.
struct AppTaskSet {
    TaskHandler handlers[3];
};
extern const AppTaskSet gDefaultAppTasks;
extern AppTaskSet gAppTasks;

// The whole program: configuration, SDL, the task stack and the main loop.
// Returns the process exit code.
int GameMain();
// Runs and paces frames until the task stack is empty.
void RunMainLoop();
int32_t ParseCommandLine(const char* commandLine);
void AppTaskHandler(TaskRec* task, uint32_t message);
// Told of every PauseGame (0) and ResumeGame (1); for tests.
extern void (*gFocusObserver)(int32_t resumed);
void PauseGame();
void ResumeGame();
// Frame period for a configured frame rate; a rate of 0 or less runs at 40.
int32_t FramePeriodForRate(int32_t framesPerSecond);
