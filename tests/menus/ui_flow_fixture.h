// Stand-ins for the UI flow's neighbours: screens whose results a test
// scripts, made by a factory that logs what happens to them, and a play task
// that hands out a test world and logs every other message it gets.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/task_stack.h"
#include "menus/screen_factory.h"
#include "ui/control.h"
#include "world/game_world.h"
#include "world/play_task.h"

// Screens are known by label: "movie1", "intro", "menu(-1)", "map(3)"...
class FakeFactory : public ScreenFactory {
public:
    class Screen : public CControl {
    public:
        Screen(FakeFactory* f, std::string label, int32_t variant)
            : label(std::move(label)), variant(variant), f_(f) {}
        ~Screen() override { f_->deleted.push_back(label); }
        int32_t Update() override {
            f_->updated.push_back(label);
            std::deque<int32_t>& queue = f_->results[label];
            if (queue.empty())
                return CONTROL_RESULT_KEEP;
            const int32_t r = queue.front();
            queue.pop_front();
            return r;
        }
        int32_t Draw() override {
            f_->drawn.push_back(label);
            return 1;
        }
        const std::string label;
        const int32_t variant;

    private:
        FakeFactory* f_;
    };

    FakeFactory() { SetScreenFactory(this); }
    ~FakeFactory() override { SetScreenFactory(nullptr); }

    CControl* NewSplash(int32_t id, int32_t item, int32_t mode) override {
        static const std::map<std::vector<int32_t>, std::string> kNames = {{{33, 0, 1}, "movie1"},
                                                                           {{33, 1, 1}, "movie2"},
                                                                           {{32, 0, 2}, "picture"},
                                                                           {{33, 2, 1}, "intro"},
                                                                           {{33, 3, 1}, "ending"}};
        auto found = kNames.find({id, item, mode});
        return Make(found != kNames.end() ? found->second : "splash?");
    }
    CControl* NewMainMenu(int32_t v) override { return Make("menu(" + std::to_string(v) + ")", v); }
    int32_t MainMenuVariant(CControl* menu) override { return static_cast<Screen*>(menu)->variant; }
    CControl* NewMiniMap(int32_t n) override { return Make("map(" + std::to_string(n) + ")"); }
    CControl* NewUserSelect() override { return Make("users"); }
    void SetUserSelectFramed(CControl* users) override {
        framed.push_back(users != nullptr ? static_cast<Screen*>(users)->label : "null");
    }
    CControl* NewPauseMenu() override { return Make("pause"); }
    CControl* NewHelp(int32_t page) override { return Make("help(" + std::to_string(page) + ")"); }
    CControl* NewTally(LevelStatusRecord* record) override {
        tallyRecord = record;
        return Make("tally");
    }

    // A screen made without logging it, to put into the flow's state.
    CControl* Place(const std::string& label, int32_t variant) {
        return new Screen(this, label, variant);
    }
    void ClearLogs() { created = deleted = updated = drawn = framed = {}; }

    std::map<std::string, std::deque<int32_t>> results;
    std::vector<std::string> created, deleted, updated, drawn, framed;
    LevelStatusRecord* tallyRecord = nullptr;

private:
    CControl* Make(const std::string& label, int32_t variant = 0) {
        created.push_back(label);
        return new Screen(this, label, variant);
    }
};

// The play task's stand-in; one at a time. Messages are logged as "pause",
// "destination=3", "level=1"...
struct FakePlay {
    GameWorld* world = NewGameWorld();
    std::vector<std::string> messages;
    std::vector<uint8_t> levelTable = std::vector<uint8_t>(4 * 40, 0);

    FakePlay() {
        Active() = this;
        world->levelTable = levelTable.data();
        world->levelTableSize = static_cast<uint32_t>(levelTable.size());
        world->playState = PLAY_STATE_PLAYING;
    }
    ~FakePlay() {
        DeleteGameWorld(world);
        Active() = nullptr;
    }
    void SetWord(int32_t n, int32_t value) {
        PutU32LE(levelTable.data() + 4 * n, static_cast<uint32_t>(value));
    }
    static FakePlay*& Active() {
        static FakePlay* active = nullptr;
        return active;
    }
    static void Handler(TaskRec* task, uint32_t message) {
        if (message == TASK_MSG_ENTER)
            SetTaskTag(TASK_TAG_PLAY);
        if ((message & TASK_MSG_USER) == 0 || Active() == nullptr)
            return;
        const uint32_t n = message ^ TASK_MSG_USER;
        const uintptr_t arg = task->messageArg;
        static const std::map<uint32_t, std::string> kNames = {{PLAY_MSG_RESTART, "restart"},
                                                               {PLAY_MSG_RESET_PROGRESS, "reset"},
                                                               {PLAY_MSG_PAUSE, "pause"},
                                                               {PLAY_MSG_RESUME, "resume"}};
        if (n == PLAY_MSG_GET_WORLD)
            *reinterpret_cast<GameWorld**>(arg) = Active()->world;
        else if (n == PLAY_MSG_GOTO_DESTINATION)
            Active()->messages.push_back("destination=" +
                                         std::to_string(*reinterpret_cast<int32_t*>(arg)));
        else if (n == PLAY_MSG_GOTO_LEVEL)
            Active()->messages.push_back("level=" + std::to_string(arg));
        else
            Active()->messages.push_back(kNames.count(n) != 0 ? kNames.at(n) : "other");
    }
};
