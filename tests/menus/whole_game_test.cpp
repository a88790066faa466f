// The whole game on the generated sample archive, driven like a player
// would: the opening movies and picture, a new profile, the main menu and
// its options, the intro, the level map, a level played to its door and
// through its tally, a walk into the chase level and a hurt there, back
// through its door, the pause menu, back to the user selection and out.
// Each step taps its keys, then waits until the game shows what the step
// leads to; the files the game leaves behind are checked byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/app.h"
#include "engine/bytes.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "menus/main_menu.h"
#include "menus/user_select.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/sample_archive.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/objects.h"
#include "world/play_task.h"

namespace {

UiFlowState* Flow() {
    uint16_t cursor = 0;
    TaskRec* task = FindTaskByTag(TASK_TAG_UIFLOW, &cursor);
    return task != nullptr ? static_cast<UiFlowState*>(task->state) : nullptr;
}

GameWorld* World() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, reinterpret_cast<uintptr_t>(&world));
    return world;
}

bool Playing(int32_t level) {
    GameWorld* w = World();
    return w != nullptr && w->currentLevel == level && w->playState == PLAY_STATE_PLAYING;
}


CMmenu* MainMenu() {
    UiFlowState* f = Flow();
    return f != nullptr ? dynamic_cast<CMmenu*>(f->mainMenu) : nullptr;
}

int32_t SubMenuCount() {
    CMmenu* menu = MainMenu();
    return menu != nullptr ? menu->SubMenus()->GetChildCount() : -1;
}

const ObjectSlot* PlayerSlot() {
    GameWorld* w = World();
    uint16_t index = 0;
    return w != nullptr ? FindNextObjectOfType(w, &index, OBJT_PLAYER) : nullptr;
}

// The player's x in world pixels, -1 without a player.
int32_t PlayerX() {
    const ObjectSlot* player = PlayerSlot();
    return player != nullptr ? player->x : -1;
}

// True while a hurt player is out of play, before it comes back.
bool PlayerLeaving() {
    const ObjectSlot* player = PlayerSlot();
    return player != nullptr && player->LogicAs<PlayerState>()->leaveCounter >= 0;
}

bool NoDraw() {
    GameWorld* w = World();
    return w != nullptr && (w->runFlags & WORLD_NO_DRAW) != 0;
}

const UserRecord& User0() {
    return gSaveBlock.users[0];
}

// One step: the keys it taps (in order, a frame down, a frame up, two idle
// frames each), then the condition that ends it.
struct Step {
    const char* what;
    std::vector<int> taps;
    std::function<bool()> done;
    int32_t holdKey = 0; // held from the step's start until it ends
    int32_t frameLimit = 3000;
    // Idle frames before the first tap: a dialog swallows every key until
    // it has seen a frame without one.
    int32_t idleFirst = 0;
    // Called every frame of the step, taps included.
    std::function<void()> watch = nullptr;
};

class Player {
public:
    Player(ScriptedPlatform* platform, std::vector<Step> steps)
        : platform_(platform), steps_(std::move(steps)) {}

    void Frame() {
        if (index_ >= steps_.size())
            return;
        const Step& step = steps_[index_];
        if (step.watch)
            step.watch();
        const int32_t tapFrames = static_cast<int32_t>(step.taps.size()) * 4 + step.idleFirst;
        if (frame_ == 0 && step.holdKey != 0)
            platform_->PushKeyDown(step.holdKey, platform_->GetTicks());
        if (frame_ < tapFrames) {
            const int32_t tapFrame = frame_ - step.idleFirst;
            if (tapFrame >= 0) {
                const int key = step.taps[static_cast<size_t>(tapFrame / 4)];
                if (tapFrame % 4 == 0)
                    platform_->PushKeyDown(key, platform_->GetTicks());
                else if (tapFrame % 4 == 1)
                    platform_->PushKeyUp(key, platform_->GetTicks());
            }
        } else if (step.done()) {
            if (step.holdKey != 0)
                platform_->PushKeyUp(step.holdKey, platform_->GetTicks());
            ++index_;
            frame_ = 0;
            return;
        } else if (frame_ > step.frameLimit) {
            failed_ = step.what;
            index_ = steps_.size();
            PopAllTasks();
            return;
        }
        ++frame_;
    }
    // The last step ends the game: reached, its keys tapped, nothing failed.
    bool finished() const { return index_ + 1 == steps_.size() && frame_ >= 1 && failed_.empty(); }
    size_t index() const { return index_; }
    const std::string& failed() const { return failed_; }

private:
    ScriptedPlatform* platform_;
    std::vector<Step> steps_;
    size_t index_ = 0;
    int32_t frame_ = 0;
    std::string failed_;
};

TEST(WholeGame, FromTheOpeningMoviesThroughALevelAndOut) {
    ScopedTempDir folder;
    std::filesystem::create_directories("res");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    game_run::WriteWindowedConfig(RENDERER_D3D9);
    const std::vector<uint8_t> config = game_run::ReadFileBytes("game.cfg");
    gSaveBlock = SaveBlock{};
    SoundRecorder sounds;
    ScriptedPlatform platform;
    // What the test saw on the way, checked after the run.
    std::vector<int32_t> moviePeriods;
    int64_t movieStartMs = -1;
    int64_t movieEndMs = -1;
    int32_t periodAfterMovies = 0;
    std::vector<uint8_t> firstSave;
    int32_t veilBeforeFade = 0;
    int32_t tallyResult = 0;
    int32_t scoreBeforeTally = 0;
    int32_t mapSound = -1;
    HiscoreEntry defaults[SAVE_HISCORE_COUNT] = {};
    int32_t chaseStartX = -1;
    bool streamStarted = false;
    bool chaseInterrupted = false;
    int32_t scoreAfterWalk = 0;
    int32_t comebackX = -1;
    int32_t framesBack = 0;
    bool tallyOnTheWayBack = false;
    // Eight cells on from the door: the basin once stood two cells from it.
    constexpr int32_t kChaseWalkEnd = (SAMPLE_CHASE_DOOR_BACK_COLUMN + 8) * 32;
    // Long enough after the comeback for the door to have acted.
    constexpr int32_t kFramesBack = 120;
    const auto watchChase = [&] {
        // A running stream's level is above 0; a hurt player's leaving
        // sets it below.
        streamStarted |= World()->player.streamLevel > 0;
        chaseInterrupted |= Flow()->tally != nullptr || !Playing(3);
    };
    std::vector<Step> steps = {
        {"the first movie plays and ends by itself", {},
         [&] {
             UiFlowState* f = Flow();
             if (f != nullptr && f->openingMovie1 != nullptr) {
                 moviePeriods.push_back(gFramePeriodMs);
                 if (movieStartMs < 0)
                     movieStartMs = static_cast<int64_t>(platform.GetTicks());
             }
             if (f != nullptr && f->openingMovie2 != nullptr)
                 movieEndMs = static_cast<int64_t>(platform.GetTicks());
             return f != nullptr && f->openingMovie2 != nullptr;
         }},
        {"Escape ends the second movie: the opening picture", {SDLK_ESCAPE},
         [&] {
             UiFlowState* f = Flow();
             periodAfterMovies = gFramePeriodMs;
             return f->openingPicture != nullptr;
         }},
        {"Space ends the picture: the user selection over the front-end level", {SDLK_SPACE},
         [&] {
             UiFlowState* f = Flow();
             if (f->userSelect != nullptr && veilBeforeFade == 0)
                 veilBeforeFade = f->veilAlpha;
             return f->userSelect != nullptr && Playing(1) && f->veilAlpha == 0;
         }},
        {"Return on the free slot opens the name entry", {SDLK_RETURN},
         [&] {
             firstSave = game_run::ReadFileBytes("game.sav");
             std::memcpy(defaults, gSaveBlock.hiscores, sizeof(defaults));
             auto* select = dynamic_cast<CUserSelect*>(Flow()->userSelect);
             return select != nullptr && select->newDialog != nullptr;
         }},
        {"a name, then Return: the main menu opens the options first", {SDLK_a, SDLK_RETURN},
         [&] {
             return MainMenu() != nullptr && MainMenu()->GetVariant() == MENU_VARIANT_NO_PROGRESS &&
                    SubMenuCount() == 1 && gSaveBlock.newProfile == 0;
         }},
        {"Escape closes the options", {SDLK_ESCAPE}, [&] { return SubMenuCount() == 0; }},
        {"Return on the first item: the intro", {SDLK_RETURN},
         [&] { return Flow()->intro != nullptr && NoDraw() && User0().introSeen == 1; }},
        {"Space ends the intro: the level map", {SDLK_SPACE},
         [&] { return Flow()->map != nullptr && !NoDraw(); }},
        {"Return on the first place, once the front end plays: the first level", {SDLK_RETURN},
         [&] {
             mapSound = static_cast<int32_t>(
                 GetResourceIndex(&gResourceCatalogue, SAMPLE_GROUP_MAP_SOUND, 0));
             return Flow()->mode == UIFLOW_MODE_PLAYING && Playing(2);
         }},
        {"Escape: the pause menu", {SDLK_ESCAPE},
         [&] { return Flow()->pauseMenu != nullptr; }},
        {"Escape again: the main menu over the paused game", {SDLK_ESCAPE},
         [&] {
             return MainMenu() != nullptr && MainMenu()->GetVariant() == MENU_VARIANT_PAUSED &&
                    Flow()->mode == UIFLOW_MODE_PAUSED_MENU;
         }},
        {"Down to Continue, Return: back to the game", {SDLK_DOWN, SDLK_RETURN},
         [&] { return Flow()->mode == UIFLOW_MODE_PLAYING && Flow()->mainMenu == nullptr; }},
        {"walk right to the door: the tally", {},
         [&] {
             if (Flow()->tally != nullptr)
                 scoreBeforeTally = User0().runningScore;
             return Flow()->tally != nullptr;
         },
         SDLK_RIGHT, 6000},
        {"Space twice closes the tally and banks the level", {SDLK_SPACE, SDLK_SPACE},
         [&] { return Flow()->tally == nullptr; }, 0, 3000, 3,
         [&] {
             if (Flow()->tally != nullptr)
                 tallyResult = World()->levelStatus.resultPoints;
         }},
        {"the chase level starts at the door from the first level", {},
         [&] {
             chaseStartX = PlayerX();
             return Playing(3);
         }},
        {"walk right, away from the pipe chain: the level goes on", {},
         [&] {
             scoreAfterWalk = User0().runningScore;
             return PlayerX() >= kChaseWalkEnd;
         },
         SDLK_RIGHT, 1000, 0, watchChase},
        {"walk on into the first enemy: it hurts the player", {}, [&] { return PlayerLeaving(); },
         SDLK_RIGHT, 1000, 0, watchChase},
        {"the player comes back and stands there: the level goes on", {},
         [&] {
             if (PlayerLeaving())
                 return false;
             if (comebackX < 0)
                 comebackX = PlayerX();
             return !chaseInterrupted && ++framesBack >= kFramesBack;
         },
         0, 1000, 0, watchChase},
        {"walk left into the door back: level 2, with no tally on the way", {},
         [&] { return Playing(2); }, SDLK_LEFT, 1000, 0,
         [&] { tallyOnTheWayBack |= Flow()->tally != nullptr; }},
        {"Escape, Escape, Escape: pause, main menu, change user", {SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE},
         [&] { return Flow()->userSelect != nullptr && Flow()->mode == UIFLOW_MODE_MENUS; }},
        {"Escape on the user selection ends the game", {SDLK_ESCAPE}, [&] { return false; }},
    };
    Player player(&platform, steps);
    platform.SetFrameHook([&] { player.Frame(); });
    EXPECT_EQ(game_run::RunWholeGame(&platform, gDefaultAppTasks.handlers[1], nullptr, nullptr), 0);
    ASSERT_TRUE(player.finished()) << "stuck at: " << player.failed() << " (step "
                                   << player.index() << ")";

    // The first level's door led to the chase level's door back; walking on
    // from there, and the first enemy's hurt, neither started the pipe
    // chain's stream nor ended or restarted the level: the player came back
    // out of the door's reach.
    EXPECT_EQ(chaseStartX / 32, SAMPLE_CHASE_DOOR_BACK_COLUMN);
    EXPECT_FALSE(streamStarted);
    EXPECT_FALSE(chaseInterrupted);
    EXPECT_EQ(comebackX / 32, SAMPLE_CHASE_RESTART_COLUMN);
    EXPECT_GT(comebackX / 32, SAMPLE_CHASE_DOOR_BACK_COLUMN);
    // The door back still leads a player who walks into it to level 2.
    EXPECT_FALSE(tallyOnTheWayBack);

    // The movies paced the frames to their own rate, and the application's
    // period came back after them.
    EXPECT_NE(std::count(moviePeriods.begin(), moviePeriods.end(), 1000 / SAMPLE_MOVIE_FPS), 0);
    // The first movie lasted long enough to be seen: every one of its
    // frames, over three seconds on the game's clock.
    EXPECT_GE(static_cast<int32_t>(moviePeriods.size()), SAMPLE_MOVIE_FRAMES);
    EXPECT_GE(movieEndMs - movieStartMs, 3000);
    GameConfig written{};
    ASSERT_EQ(config.size(), 4 + GAME_CONFIG_FILE_SIZE);
    GameConfigFromBytes(config.data() + 4, &written);
    EXPECT_EQ(periodAfterMovies, FramePeriodForRate(written.framesPerSecond));
    EXPECT_EQ(veilBeforeFade, 255 << 16);
    // The first save came from the defaults, before any hiscore existed.
    ASSERT_EQ(firstSave.size(), 808u);
    for (size_t at = 4 + SAVE_OFFSET_HISCORES; at < 4 + SAVE_OFFSET_NEW_PROFILE; ++at)
        ASSERT_EQ(firstSave[at], 0) << at;
    int32_t mapChoices = 0;
    for (const auto& play : sounds.plays)
        mapChoices += play.first == mapSound ? 1 : 0;
    EXPECT_EQ(mapChoices, 1);

    // The level's result went into the running score and the chase level's
    // slot, the chase level's coins into the running score; the paused
    // game's main menu entered the score in the hiscores.
    ASSERT_GT(tallyResult, 0);
    const int32_t levelScore = scoreBeforeTally + tallyResult;
    EXPECT_GT(scoreAfterWalk, levelScore);
    const int32_t score = scoreAfterWalk;
    SaveBlock expected{};
    for (UserRecord& user : expected.users)
        ResetUserRecord(&user);
    expected.users[0].name[0] = u'\u0444';
    expected.users[0].runningScore = score;
    expected.users[0].levelScore[0] = levelScore;
    expected.users[0].introSeen = 1;
    std::memcpy(expected.hiscores, defaults, sizeof(defaults));
    for (int32_t e = 0; e < SAVE_HISCORE_COUNT; ++e) {
        EXPECT_NE(defaults[e].name[0], 0) << e;
        EXPECT_EQ(defaults[e].score, 1000 - 100 * e) << e;
    }
    // A score above the lowest takes its place when the main menu opens.
    HiscoreEntry& lowest = expected.hiscores[SAVE_HISCORE_COUNT - 1];
    if (score > lowest.score) {
        lowest = HiscoreEntry{};
        lowest.name[0] = u'\u0444';
        lowest.score = score;
    }
    std::vector<uint8_t> bytes(808);
    PutU32LE(bytes.data(), 10);
    PackSaveBlock(expected, bytes.data() + 4);
    EXPECT_EQ(game_run::ReadFileBytes("game.sav"), bytes);
    EXPECT_EQ(game_run::ReadFileBytes("game.cfg"), config);
}

// The way a new player takes from the first movie into the first level,
// skipping what can be skipped.
std::vector<Step> ToTheFirstLevel() {
    return {
        {"Escape ends the first movie", {SDLK_ESCAPE},
         [] { return Flow() != nullptr && Flow()->openingMovie2 != nullptr; }},
        {"Escape ends the second movie", {SDLK_ESCAPE},
         [] { return Flow()->openingPicture != nullptr; }},
        {"Space ends the picture", {SDLK_SPACE},
         [] { return Flow()->userSelect != nullptr && Playing(1); }},
        {"Return on the free slot opens the name entry", {SDLK_RETURN},
         [] {
             auto* select = dynamic_cast<CUserSelect*>(Flow()->userSelect);
             return select != nullptr && select->newDialog != nullptr;
         }},
        {"a name, then Return: the options", {SDLK_a, SDLK_RETURN},
         [] { return MainMenu() != nullptr && SubMenuCount() == 1; }},
        {"Escape closes the options", {SDLK_ESCAPE}, [] { return SubMenuCount() == 0; }},
        {"Return on the first item: the intro", {SDLK_RETURN},
         [] { return Flow()->intro != nullptr; }},
        {"Space ends the intro: the level map", {SDLK_SPACE},
         [] { return Flow()->map != nullptr && !NoDraw(); }},
        {"Return on the first place: the first level", {SDLK_RETURN},
         [] { return Flow()->mode == UIFLOW_MODE_PLAYING && Playing(2); }},
    };
}

// The last level is played and seen, its golden door completes the game,
// and the ending's movie plays to its end before the title menu.
TEST(WholeGame, TheLastLevelsDoorCompletesTheGameWithTheEnding) {
    ScopedTempDir folder;
    std::filesystem::create_directories("res");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    game_run::WriteWindowedConfig(RENDERER_D3D9);
    gSaveBlock = SaveBlock{};
    ScriptedPlatform platform;
    bool sent = false;
    bool lastLevelHidden = false;
    int32_t flagsAtDoor = 0;
    int32_t levelAtDoor = 0;
    int32_t endingFrames = 0;
    int64_t endingStartMs = -1;
    int64_t endingEndMs = -1;
    std::vector<Step> steps = ToTheFirstLevel();
    const std::vector<Step> rest = {
        // The chase itself is played by the chase level's own test.
        {"sent on to the last level", {},
         [&] {
             if (!sent)
                 BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GOTO_LEVEL, SAMPLE_LAST_LEVEL);
             sent = true;
             return Playing(SAMPLE_LAST_LEVEL);
         }},
        {"walk right to the golden door: the last level's tally", {},
         [&] {
             lastLevelHidden |= Playing(SAMPLE_LAST_LEVEL) && NoDraw();
             if (Flow()->tally == nullptr)
                 return false;
             flagsAtDoor = World()->gameFlags;
             levelAtDoor = World()->requestedLevel;
             return true;
         },
         SDLK_RIGHT, 3000},
        {"Space twice closes the tally: the ending", {SDLK_SPACE, SDLK_SPACE},
         [] { return Flow()->ending != nullptr; }, 0, 3000, 3},
        {"the ending plays to its end: the title menu over the front end", {},
         [&] {
             if (Flow()->ending != nullptr) {
                 ++endingFrames;
                 if (endingStartMs < 0)
                     endingStartMs = static_cast<int64_t>(platform.GetTicks());
                 return false;
             }
             if (endingEndMs < 0)
                 endingEndMs = static_cast<int64_t>(platform.GetTicks());
             return MainMenu() != nullptr && Playing(1);
         }},
        {"Escape on the title menu: the user selection", {SDLK_ESCAPE},
         [] { return Flow()->userSelect != nullptr; }},
        {"Escape on the user selection ends the game", {SDLK_ESCAPE}, [] { return false; }},
    };
    steps.insert(steps.end(), rest.begin(), rest.end());
    Player player(&platform, steps);
    platform.SetFrameHook([&] { player.Frame(); });
    EXPECT_EQ(game_run::RunWholeGame(&platform, gDefaultAppTasks.handlers[1], nullptr, nullptr), 0);
    ASSERT_TRUE(player.finished()) << "stuck at: " << player.failed() << " (step "
                                   << player.index() << ")";

    EXPECT_FALSE(lastLevelHidden);
    EXPECT_NE(flagsAtDoor & GAME_FLAG_COMPLETED, 0);
    EXPECT_EQ(levelAtDoor, SAMPLE_ENDING_LEVEL);
    EXPECT_GE(endingFrames, SAMPLE_MOVIE_FRAMES);
    EXPECT_GE(endingEndMs - endingStartMs, 3000);
}

} // namespace
