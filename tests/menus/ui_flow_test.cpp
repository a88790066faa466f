// The UI flow's decisions, one update at a time, through fake screens with
// scripted results and a stand-in play task that keeps the messages it gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/game_keys.h"
#include "graphics/renderer.h"
#include "menus/save_file.h"
#include "menus/screen_factory.h"
#include "menus/ui_flow_task.h"
#include "tests/menus/menu_fixture.h"

namespace {

// Screens whose results a test scripts, made by a factory that logs what
// happens to them. Known by label: "movie1", "intro", "menu(-1)", "map(3)"...
class FakeFactory : public ScreenFactory {
public:
    class Screen : public CControl {
    public:
        Screen(FakeFactory* f, std::string label) : label(std::move(label)), f_(f) {}
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
    CControl* NewMainMenu(int32_t v) override { return Make("menu(" + std::to_string(v) + ")"); }
    int32_t MainMenuVariant(CControl* menu) override {
        return std::stoi(static_cast<Screen*>(menu)->label.substr(5));
    }
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
    void ClearLogs() { created = deleted = updated = drawn = framed = {}; }

    std::map<std::string, std::deque<int32_t>> results;
    std::vector<std::string> created, deleted, updated, drawn, framed;
    LevelStatusRecord* tallyRecord = nullptr;

private:
    CControl* Make(const std::string& label) {
        created.push_back(label);
        return new Screen(this, label);
    }
};

std::vector<std::string> Words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// Fills go to a log of their own; sprites join the screens' draw log.
class DrawLog : public DrawSink {
public:
    explicit DrawLog(std::vector<std::string>* log) : log_(log) { gDrawSink = this; }
    ~DrawLog() override { gDrawSink = nullptr; }
    void OnDrawSprite(const SpriteRecord&) override { log_->push_back("overlay"); }
    void OnFillRect(const SpriteRecord& record) override { fills.push_back(record); }
    int32_t OnDrawTriangleMesh(TriangleMesh*) override { return -1; }
    std::vector<SpriteRecord> fills;

private:
    std::vector<std::string>* log_;
};

class UiFlow : public testing::Test {
protected:
    static CatalogueBuilder Catalogue() {
        CatalogueBuilder catalogue = MakeMenuCatalogue();
        SetTextItems(&catalogue, 22, {u"Ann", u"Bartholomew!", u"Cy"});
        PutItem(&catalogue, 10, 1, PlainEntry(RES_TYPE_PNG, SolidPng(8, 8, 0xFFFFFFFF)));
        return catalogue;
    }
    void SetUp() override {
        ASSERT_TRUE(archive_.ok());
        gGameKeysPressed = 0;
        for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i)
            play_.SetWord(29 + i, 1000 - i);
        PushTask(UiFlowTaskHandler, 0, 0);
        flow_ = &gTaskStack->slots[1];
    }
    void TearDown() override {
        PopAllTasks();
        gGameKeysPressed = 0;
    }

    UiFlowState* S() const { return flow_->StateAs<UiFlowState>(); }
    UserRecord& User() { return gSaveBlock.users[gSaveBlock.currentUser]; }
    GameWorld* World() const { return play_.world; }
    void Update() { flow_->handler(flow_, TASK_MSG_UPDATE); }
    void Draw() { flow_->handler(flow_, TASK_MSG_DRAW); }
    void Message(uint32_t n, uintptr_t arg = 0) { SendTaskMessage(flow_, n, arg); }

    std::vector<std::pair<std::string, CControl**>> Slots() {
        UiFlowState* s = S();
        // clang-format off
        return {{"menu(", &s->mainMenu},   {"movie1", &s->openingMovie1},
                {"movie2", &s->openingMovie2}, {"picture", &s->openingPicture},
                {"intro", &s->intro},         {"ending", &s->ending},
                {"map(", &s->map},            {"users", &s->userSelect},
                {"pause", &s->pauseMenu},     {"help(", &s->help},
                {"tally", &s->tally}};
        // clang-format on
    }
    // Every screen closed, then the listed ones open; the logs start empty.
    void OpenOnly(const std::vector<std::string>& labels) {
        for (auto& [prefix, slot] : Slots()) {
            delete *slot;
            *slot = nullptr;
            for (const std::string& label : labels)
                if (label.rfind(prefix, 0) == 0)
                    *slot = new FakeFactory::Screen(&factory_, label);
        }
        factory_.ClearLogs();
        play_.messages.clear();
        sounds_.plays.clear();
    }
    std::vector<std::string> OpenScreens() {
        std::vector<std::string> open;
        for (auto& [prefix, slot] : Slots())
            if (*slot != nullptr)
                open.push_back(static_cast<FakeFactory::Screen*>(*slot)->label);
        return open;
    }
    // The map and click sounds asked for, as "47" and "48".
    std::vector<std::string> SoundGroups() const {
        std::vector<std::string> groups;
        for (uint32_t g : {47u, 48u})
            groups.resize(groups.size() + sounds_.CountOf(g), std::to_string(g));
        return groups;
    }
    void SetLead(int32_t lead) {
        for (int32_t i = 0; i < SAVE_LEVEL_SCORES; ++i)
            User().levelScore[i] = i < lead ? 100 * (i + 1) : 0;
    }

    MenuArchive archive_{Catalogue()};
    FakeFactory factory_;
    FakePlay play_;
    SoundRecorder sounds_;
    TaskRec* flow_ = nullptr;
};

// ---- one update in each situation of the three modes -------------------------------

constexpr int32_t kIntroNotSeen = 1, kEscape = 2, kCompleted = 4, kNoDraw = 8;
constexpr int32_t M = UIFLOW_MODE_MENUS, P = UIFLOW_MODE_PLAYING, PM = UIFLOW_MODE_PAUSED_MENU;
constexpr uint8_t PLAYING = PLAY_STATE_PLAYING, LOADING = PLAY_STATE_LOADING;

struct FlowRow {
    const char* name;
    // Before: mode, open screens, scripted results ("label=r"), play state,
    // leading levels reached, flags.
    int32_t mode;
    const char *open, *results;
    uint8_t state;
    int32_t lead, flags;
    // After: screens made, screens updated, messages to the play task, mode,
    // open screens, sound groups, world bits (1 no-draw, 2 completed; -1 any).
    const char *created, *updated, *messages;
    int32_t modeAfter;
    const char *openAfter, *sounds;
    int32_t worldBits;
};

// clang-format off
const FlowRow kFlowRows[] = {
    {"movie 1 ends and movie 2 plays at once", M, "movie1", "movie1=1", PLAYING, 0, 0, "movie2", "movie1 movie2", "", M, "movie2", "", -1},
    {"a movie going on stays", M, "movie1", "", PLAYING, 0, 0, "", "movie1", "", M, "movie1", "", -1},
    {"the opening chain runs in one update", M, "movie1", "movie1=2 movie2=1 picture=2", LOADING, 0, 0, "movie2 picture users", "movie1 movie2 picture users", "restart", M, "users", "", -1},
    {"no progress: menu without continue", M, "users", "users=500", PLAYING, 0, 0, "menu(-1)", "users menu(-1)", "", M, "menu(-1)", "", -1},
    {"progress: the title menu", M, "users", "users=500", PLAYING, 1, 0, "menu(0)", "users menu(0)", "", M, "menu(0)", "", -1},
    {"the ending leads to the title menu", M, "ending", "ending=1", PLAYING, 0, kCompleted | kNoDraw, "menu(0)", "ending menu(0)", "destination=0", M, "menu(0)", "", 0},
    {"a first new game plays the intro", M, "menu(0)", "menu(0)=0", PLAYING, 0, kIntroNotSeen, "intro", "menu(0) intro", "", M, "intro", "", 1},
    {"a new game after the intro: map 0", M, "menu(0)", "menu(0)=0", PLAYING, 0, 0, "map(0)", "menu(0) map(0)", "", M, "map(0)", "", 0},
    {"continue: map at the lead count", M, "menu(0)", "menu(0)=1", PLAYING, 3, 0, "map(3)", "menu(0) map(3)", "", M, "map(3)", "", -1},
    {"continue with all reached: map 7", M, "menu(0)", "menu(0)=1", PLAYING, 8, 0, "map(7)", "menu(0) map(7)", "", M, "map(7)", "", -1},
    {"continue from the paused variant", M, "menu(1)", "menu(1)=1", PLAYING, 3, 0, "", "menu(1)", "", M, "", "", -1},
    {"change user stops the update", M, "menu(0) map(0)", "menu(0)=5 map(0)=3", PLAYING, 0, 0, "users", "menu(0)", "", M, "map(0) users", "", -1},
    {"the intro's end opens the map", M, "intro", "intro=1", PLAYING, 0, kNoDraw, "map(0)", "intro map(0)", "", M, "map(0)", "", 0},
    {"a destination while the level plays", M, "map(3)", "map(3)=3", PLAYING, 3, 0, "", "map(3)", "destination=3", P, "", "47", -1},
    {"destination 0 resets the progress", M, "map(0)", "map(0)=0", PLAYING, 0, 0, "", "map(0)", "reset destination=0", P, "", "47", -1},
    {"a choice while loading is lost", M, "map(3)", "map(3)=3", LOADING, 3, 0, "", "map(3)", "", M, "map(3)", "", -1},
    {"back from the map", M, "map(0)", "map(0)=8", PLAYING, 0, 0, "menu(0)", "map(0)", "", M, "menu(0)", "48", -1},
    {"Escape on the map", M, "map(0)", "map(0)=-2", PLAYING, 0, 0, "menu(0)", "map(0)", "", M, "menu(0)", "48", -1},
    {"another map result", M, "map(0)", "map(0)=9", PLAYING, 0, 0, "", "map(0)", "", M, "map(0)", "", -1},
    {"the closed tally resumes", P, "tally", "tally=-2", PLAYING, 0, 0, "", "tally", "resume", P, "", "", -1},
    {"only the first overlay is updated", P, "pause help(1) tally", "help(1)=-2 pause=-2", PLAYING, 0, 0, "", "tally", "", P, "pause help(1) tally", "", -1},
    {"the closed help page resumes", P, "pause help(1)", "help(1)=-2 pause=-2", PLAYING, 0, 0, "", "help(1)", "resume", P, "pause", "", -1},
    {"the closed pause menu resumes", P, "pause", "pause=-2", PLAYING, 0, 0, "", "pause", "resume", P, "", "", -1},
    {"the pause menu's menu", P, "pause", "pause=1", PLAYING, 0, 0, "menu(1)", "pause", "", PM, "menu(1)", "", -1},
    {"a completed game plays the ending", P, "", "", PLAYING, 0, kCompleted | kEscape, "ending", "", "resume", M, "ending", "", 3},
    {"completion waits for play", P, "", "", PLAY_STATE_FADE_OUT, 0, kCompleted, "", "", "", P, "", "", 2},
    {"Escape pauses", P, "", "", PLAYING, 0, kEscape, "pause", "", "pause", P, "pause", "", -1},
    {"Escape outside play", P, "", "", LOADING, 0, kEscape, "", "", "", P, "", "", -1},
    {"back to the paused game", PM, "menu(1)", "menu(1)=1", PLAYING, 8, 0, "", "menu(1)", "resume", P, "", "", -1},
    {"continue after a restart: map 6", PM, "menu(2)", "menu(2)=1", PLAYING, 8, 0, "map(6)", "menu(2) map(6)", "resume", M, "map(6)", "", -1},
    {"continue after a restart: lead", PM, "menu(2)", "menu(2)=1", PLAYING, 3, 0, "map(3)", "menu(2) map(3)", "resume", M, "map(3)", "", -1},
    {"a new game over the paused game", PM, "menu(1)", "menu(1)=0 map(0)=2", PLAYING, 2, 0, "map(0)", "menu(1) map(0)", "resume level=1 destination=2", P, "", "47", -1},
    {"change user over the paused game", PM, "menu(1) map(0)", "menu(1)=5 map(0)=3", PLAYING, 0, 0, "users", "menu(1)", "resume level=1", M, "map(0) users", "", -1},
    {"the map rule under a kept menu", PM, "menu(1) map(0)", "map(0)=8", PLAYING, 0, 0, "menu(0)", "menu(1) map(0)", "", PM, "menu(0)", "48", -1},
};
// clang-format on

void PrintTo(const FlowRow& row, std::ostream* os) {
    *os << row.name;
}

class UiFlowTable : public UiFlow, public testing::WithParamInterface<FlowRow> {};

TEST_P(UiFlowTable, OneUpdate) {
    const FlowRow& row = GetParam();
    OpenOnly(Words(row.open));
    S()->mode = row.mode;
    for (const std::string& r : Words(row.results))
        factory_.results[r.substr(0, r.find('='))].push_back(std::stoi(r.substr(r.find('=') + 1)));
    World()->playState = row.state;
    World()->runFlags = (row.flags & kNoDraw) != 0 ? WORLD_NO_DRAW : 0;
    World()->gameFlags = (row.flags & kCompleted) != 0 ? GAME_FLAG_COMPLETED : 0;
    gGameKeysPressed = (row.flags & kEscape) != 0 ? 1u : 0u;
    SetLead(row.lead);
    User().introSeen = (row.flags & kIntroNotSeen) != 0 ? 0 : 1;

    Update();

    EXPECT_EQ(factory_.created, Words(row.created));
    EXPECT_EQ(factory_.updated, Words(row.updated));
    EXPECT_EQ(play_.messages, Words(row.messages));
    EXPECT_EQ(S()->mode, row.modeAfter);
    EXPECT_EQ(OpenScreens(), Words(row.openAfter));
    EXPECT_EQ(SoundGroups(), Words(row.sounds));
    if (row.worldBits >= 0) {
        EXPECT_EQ((World()->runFlags & WORLD_NO_DRAW) != 0, (row.worldBits & 1) != 0);
        EXPECT_EQ((World()->gameFlags & GAME_FLAG_COMPLETED) != 0, (row.worldBits & 2) != 0);
    }
    const auto users = std::count(factory_.created.begin(), factory_.created.end(), "users");
    EXPECT_EQ(factory_.framed, std::vector<std::string>(users, "users"));
    if ((row.flags & kIntroNotSeen) != 0) {
        EXPECT_EQ(User().introSeen, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, UiFlowTable, testing::ValuesIn(kFlowRows));

// ---- the rest of the flow ------------------------------------------------------------

TEST_F(UiFlow, EnterOpensTheFirstMovieAndFillsAnEmptyHiscoreTable) {
    EXPECT_EQ(flow_->tag, TASK_TAG_UIFLOW);
    EXPECT_EQ(OpenScreens(), Words("movie1"));
    // Ten-unit names, items past the group empty, words 29..38.
    EXPECT_EQ(std::u16string(gSaveBlock.hiscores[1].name), u"Bartholome");
    EXPECT_EQ(gSaveBlock.hiscores[3].name[0], 0);
    EXPECT_EQ(gSaveBlock.hiscores[9].score, 991);
    // Only an empty table (entry 0 at 0) gets them.
    gSaveBlock.hiscores[0].score = -1;
    gSaveBlock.hiscores[1].score = 0;
    InitHiscoreDefaults();
    EXPECT_EQ(gSaveBlock.hiscores[1].score, 0);
}

TEST_F(UiFlow, WithoutAPlayTaskNothingIsUpdatedNorDefaulted) {
    gTaskStack->slots[0].tag = 0;
    factory_.results["movie1"] = {1};
    Update();
    EXPECT_TRUE(factory_.updated.empty());
    gSaveBlock.hiscores[0] = HiscoreEntry{};
    InitHiscoreDefaults();
    EXPECT_EQ(gSaveBlock.hiscores[0].name[0], 0);
    // The overlay picture needs the world's table: without it none.
    DrawLog log(&factory_.drawn);
    play_.SetWord(28, 1);
    OpenOnly({"menu(0)"});
    Draw();
    EXPECT_EQ(factory_.drawn, Words("menu(0)"));
}

TEST_F(UiFlow, TheVeilFadesIn51DrawsOverTheFirstMenusOnly) {
    DrawLog log(&factory_.drawn);
    play_.SetWord(28, 1);
    OpenOnly({"menu(0)", "movie1", "map(0)", "users", "pause", "help(1)", "tally"});
    Draw();
    EXPECT_EQ(factory_.drawn, Words("movie1 menu(0) overlay map(0) pause help(1) users tally"));
    ASSERT_EQ(log.fills.size(), 1u);
    EXPECT_EQ(log.fills[0].colour, 0xFF000000u);
    EXPECT_EQ(log.fills[0].width, 800);
    EXPECT_EQ(log.fills[0].height, 600);
    Message(UI_MSG_FADE_IN);
    log.fills.clear();
    for (int32_t i = 0; i < 60; ++i)
        Draw();
    ASSERT_EQ(log.fills.size(), 51u);
    EXPECT_EQ(log.fills[1].colour, 250u << 24);
    EXPECT_EQ(log.fills[50].colour, 5u << 24);
    // Other screens never have it, nor the overlay picture.
    OpenOnly({"map(0)"});
    S()->veilAlpha = 255 << 16;
    Draw();
    EXPECT_EQ(log.fills.size(), 51u);
    EXPECT_EQ(factory_.drawn, Words("map(0)"));
}

TEST_F(UiFlow, HelpAndTallyOpenOncePausingOnceAndWaitForPlay) {
    OpenOnly({"menu(0)"});
    Message(UI_MSG_SHOW_HELP, 4);
    Message(UI_MSG_SHOW_HELP, 5);
    Message(UI_MSG_LEVEL_END, TaskWord(&World()->levelStatus));
    Message(UI_MSG_LEVEL_END, TaskWord(&World()->levelStatus));
    EXPECT_EQ(factory_.created, Words("help(4) tally"));
    EXPECT_EQ(play_.messages, Words("pause pause"));
    EXPECT_EQ(factory_.tallyRecord, &World()->levelStatus);
    factory_.results["tally"] = {-2};
    Update();
    EXPECT_EQ(factory_.updated, Words("menu(0)"));
}

TEST_F(UiFlow, TheTallyBanksTheMapRestoresAndHelpForgetsEscape) {
    // Word 13 names level 2, which never counts; level 5 is named twice.
    const int32_t words[8] = {2, 5, 6, 7, 8, 9, 10, 5};
    for (int32_t i = 0; i < 8; ++i)
        play_.SetWord(13 + i, words[i]);
    struct Case {
        int16_t next;
        int32_t points, slot; // slot -1: the running score only
    };
    for (const Case& c : {Case{5, 300, 1}, Case{6, -200, 2}, Case{2, 300, -1}, Case{12, 40, -1}}) {
        OpenOnly({"tally"});
        S()->mode = UIFLOW_MODE_PLAYING;
        factory_.results["tally"] = {-2};
        SetLead(8);
        User().runningScore = 1000;
        World()->requestedLevel = c.next;
        World()->levelStatus = LevelStatusRecord{1, 2, 3, 4, 99, c.points, 5, 6, 7};
        gGameKeysPressed = 0x13;
        Update();
        for (int32_t i = 0; i < 8; ++i)
            EXPECT_EQ(User().levelScore[i], 100 * (i + 1) + (i == c.slot ? c.points : 0)) << c.next;
        EXPECT_EQ(User().runningScore, 1000 + c.points) << c.next;
        EXPECT_EQ(World()->levelStatus.basePoints + World()->levelStatus.counter, 0);
        EXPECT_EQ(World()->playState, PLAY_STATE_FADE_OUT);
        EXPECT_EQ(gGameKeysPressed, 0u);
        World()->playState = PLAY_STATE_PLAYING;
    }
    // A destination restores the score the level was entered with.
    OpenOnly({"map(4)"});
    S()->mode = UIFLOW_MODE_MENUS;
    factory_.results["map(4)"] = {4};
    World()->takenBits[10] = 0xFF;
    Update();
    EXPECT_EQ(User().runningScore, 400);
    EXPECT_EQ(World()->takenBits[10], 0);
    // A closed help page forgets only the Escape key.
    OpenOnly({"help(1)"});
    factory_.results["help(1)"] = {-2};
    gGameKeysPressed = 0x7;
    Update();
    EXPECT_EQ(gGameKeysPressed, 0x6u);
}

TEST_F(UiFlow, QuittingTheUserSelectionEndsTheProgram) {
    OpenOnly({"users", "help(2)"});
    factory_.results["users"] = {-2};
    Update();
    EXPECT_EQ(GetTaskCount(), 0);
    EXPECT_EQ(factory_.deleted, Words("users help(2)"));
}

} // namespace
