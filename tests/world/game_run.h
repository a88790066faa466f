// What the tests that run the whole program share: the configuration they
// start from, one run of GameMain on a scripted platform with their own
// tasks and trace, and a fresh process of the same test program for the
// replaying half of a record-and-replay test.
#pragma once

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/app.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/helpers.h"
#include "tests/support/scripted_platform.h"
#include "world/objects.h"
#include "world/play_task.h"

extern char** environ;

namespace game_run {

// "game.cfg" for a game in a window under `renderer`.
inline void WriteWindowedConfig(int32_t renderer) {
    GameConfig config{};
    SetDefaultConfig(&config);
    config.fullscreen = 0;
    config.rendererKind = renderer;
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(config, bytes);
    ASSERT_EQ(WriteDataFile("game.cfg", bytes, sizeof(bytes)), 0);
}

// One run of the program in the working folder, `uiTask` standing in for
// the UI flow, `installer` filling the type registry (null: the game's
// own) and `trace` told of every level start and step. Returns GameMain's
// exit code; every seam is put back afterwards.
inline int RunWholeGame(ScriptedPlatform* platform, TaskHandler uiTask,
                        ObjectTypeInstaller installer, WorldTraceHook trace) {
    ClearGameKeys();
    gAppTasks = {{PlayTaskHandler, uiTask, gDefaultAppTasks.handlers[2]}};
    SetObjectTypeInstaller(installer);
    SetWorldTraceHook(trace);
    int code = 0;
    {
        ScopedPlatform scope(platform);
        code = GameMain();
    }
    SetWorldTraceHook(nullptr);
    SetObjectTypeInstaller(nullptr);
    gAppTasks = gDefaultAppTasks;
    return code;
}

// Runs this test program again, fresh, with only the tests `filter` names
// and `variable` set to `value`; its exit code, or -1 when it did not end
// by itself.
inline int RunFreshProcess(const std::string& filter, const char* variable,
                           const std::string& value) {
    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e)
        variables.emplace_back(*e);
    variables.push_back(std::string(variable) + "=" + value);
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filterArgument = "--gtest_filter=" + filter;
    char* argv[] = {program.data(), filterArgument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A trace handed from one process to the other, a line a step.
inline void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path);
    for (const std::string& line : lines)
        out << line << '\n';
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace game_run
