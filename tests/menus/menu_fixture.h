// Shared set-up of the menu tests: the toolkit's archive with everything the
// menus read (dialog frame, main-menu pictures, every dialog's texts, the
// map and click sounds), opened as the game opens it, with the fonts loaded
// and the configuration and save block at their defaults; a recorder of the
// sounds asked for; a driver that steps a screen through the scripted
// platform; and a stand-in play task.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/task_stack.h"
#include "media/mmplay.h"
#include "menus/save_file.h"
#include "menus/user_new.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_archive.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/button.h"
#include "ui/font.h"
#include "ui/text.h"
#include "world/game_world.h"
#include "world/play_task.h"

constexpr uint32_t kMenuFrameWidth = 500;

// Item `item` of `group` replaced, or added with filler before it.
inline void PutItem(CatalogueBuilder* catalogue, uint32_t group, uint32_t item,
                    ArchiveEntrySpec spec) {
    while (catalogue->GroupCount() <= group)
        catalogue->AddItem(catalogue->AddGroup(), NumberEntry(0));
    while (catalogue->ItemCount(group) <= item)
        catalogue->AddItem(group, NumberEntry(0));
    catalogue->SetItem(group, item, std::move(spec));
}

// Raw UTF-16LE text items, no terminator, as the archive stores texts.
inline void SetTextItems(CatalogueBuilder* catalogue, uint32_t group,
                         const std::vector<std::u16string>& texts, uint32_t firstItem = 0) {
    for (size_t i = 0; i < texts.size(); ++i)
        PutItem(catalogue, group, firstItem + static_cast<uint32_t>(i),
                PlainEntry(0, Utf16BytesOf(texts[i])));
}

inline std::u16string TextLines(int32_t count, const std::u16string& line = u"Line of text") {
    std::u16string text;
    for (int32_t i = 0; i < count; ++i)
        text += line + u"\r";
    return text;
}

// Group 9 holds `menuPictures` pictures (background 80x60, buttons 100x40).
// Sounds are raw entries: the mixer stays closed, the recorder sees them.
inline CatalogueBuilder MakeMenuCatalogue(uint32_t menuPictures = 15) {
    CatalogueBuilder c = MakeUiCatalogue();
    PutItem(&c, 57, 0, NumberEntry(0));
    PutItem(&c, 13, 0, PlainEntry(RES_TYPE_PNG, SolidPng(kMenuFrameWidth, 560, 0xFF203040)));
    PutItem(&c, 13, 1, PlainEntry(RES_TYPE_PNG, SolidPng(kMenuFrameWidth, 40, 0xFF405060)));
    for (uint32_t i = 0; i < menuPictures; ++i)
        PutItem(&c, 9, i,
                PlainEntry(RES_TYPE_PNG, SolidPng(i == 0 ? 80 : 100, i == 0 ? 60 : 40,
                                                  0xFF102030u + i * 0x0F0D0Bu)));
    const std::map<std::pair<uint32_t, uint32_t>, std::vector<std::u16string>> texts = {
        {{19, 0}, {u"A short page.", u"Page title", u"Close"}},
        {{20, 1}, {u"Hiscores", u"Close"}},
        {{24, 0}, {u"Options", u"Effects", u"Music", u"Option", u"OK", u"Low", u"Mid", u"High"}},
        {{25, 0}, {u"Type a name", u"New player", u"OK", u"Back"}},
        {{26, 1}, {u"Who plays?", u"Delete", u"New", u"Play", u"Quit", u"Free"}},
        {{27, 0}, {u"Delete %s?", u"Sure?", u"Yes", u"No"}},
        {{28, 0}, {u"%s is taken", u"Taken", u"Back"}},
        {{29, 0}, {u"Restart?", u"Level change", u"Yes", u"No"}},
        {{31, 0}, {u"Paused", u"Body", u"Resume", u"Menu"}},
        {{32, 0}, {u"Help", u"OK"}},
        {{35, 0}, {u"Level done", u"OK", TextLines(10, u"label"), u"%d|%d|%d|%d|%d|%d|%d|%d%%"}}};
    for (const auto& [at, items] : texts)
        SetTextItems(&c, at.first, items, at.second);
    PutItem(&c, 47, 0, PlainEntry(RES_TYPE_SOUND_PREDECODED, {1, 2, 3, 4}));
    PutItem(&c, 48, 0, PlainEntry(RES_TYPE_SOUND_PREDECODED, {1, 2, 3, 4}));
    return c;
}

// The archive written to a folder of the test's own (its working folder
// meanwhile), opened and catalogued, fonts 58..65 in slots 0..7; the
// configuration and save block at their defaults, and restored afterwards.
class MenuArchive {
public:
    explicit MenuArchive(const CatalogueBuilder& catalogue = MakeMenuCatalogue()) {
        Open(catalogue.WriteToFile(path_));
    }
    explicit MenuArchive(const ArchiveBuilder& archive) { Open(archive.WriteToFile(path_)); }
    ~MenuArchive() {
        if (ok_) {
            gUI.UnloadFonts();
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
            CloseArchive(&gResourceArchive);
        }
        gConfig = savedConfig_;
        gSaveBlock = savedBlock_;
        gShiftHeld = 0;
    }
    bool ok() const { return ok_; }

private:
    void Open(bool written) {
        SetDefaultConfig(&gConfig);
        ResetSaveBlock(&gSaveBlock);
        gShiftHeld = 0;
        ok_ = written && OpenArchive(&gResourceArchive, path_.c_str()) == 1;
        if (!ok_)
            return;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        for (int32_t slot = 0; slot < 8; ++slot)
            gUI.LoadFont(58 + slot, slot);
    }
    GameConfig savedConfig_ = gConfig;
    SaveBlock savedBlock_ = gSaveBlock;
    ScopedTempDir folder_;
    std::string path_ = "menus_test.res";
    bool ok_ = false;
};

// Records 0..2 named by `names` (empty: a free record), all else default.
inline void SetProfiles(const std::vector<std::u16string>& names, int32_t current = 0) {
    ResetSaveBlock(&gSaveBlock);
    for (size_t i = 0; i < names.size(); ++i)
        names[i].copy(gSaveBlock.users[i].name, SAVE_NAME_UNITS - 1);
    gSaveBlock.currentUser = current;
}

inline std::u16string ButtonLabel(const CSButton* button) {
    const char16_t* text = button->GetLabelText();
    return text != nullptr ? text : u"";
}

// The characters a text lays out in the fonts the archive has, without its
// tags: what the player reads.
inline std::u16string ShownText(const CText* text) {
    std::u16string shown;
    for (const CChar* glyph : text->glyphs)
        if (!glyph->IsAlignment() && gUI.GetFont(glyph->fontSlot) != nullptr)
            shown += glyph->code;
    return shown;
}

// Every request to start a sound while alive, as (entry index, kind).
class SoundRecorder {
public:
    SoundRecorder() {
        Active() = this;
        SetMMplayPlayHook(&SoundRecorder::Hook);
    }
    ~SoundRecorder() {
        SetMMplayPlayHook(nullptr);
        Active() = nullptr;
    }
    std::vector<std::pair<int32_t, int32_t>> plays;
    // Requests of item 0 of `group` (by its entry index).
    int32_t CountOf(uint32_t group) const {
        int32_t wanted = static_cast<int32_t>(GetResourceIndex(&gResourceCatalogue, group, 0));
        int32_t n = 0;
        for (const auto& play : plays)
            n += play.first == wanted ? 1 : 0;
        return n;
    }

private:
    static SoundRecorder*& Active() {
        static SoundRecorder* active = nullptr;
        return active;
    }
    static void Hook(int32_t sound, int32_t kind, int32_t start) {
        if (Active() != nullptr && start != 0)
            Active()->plays.emplace_back(sound, kind);
    }
};

// Steps a screen one Update a frame through its own scripted platform, the
// pointer moved by relative motion to where the test points.
class MenuDriver {
public:
    explicit MenuDriver(CControl* control = nullptr) : control_(control) {}
    void Use(CControl* control) { control_ = control; }
    ScriptedPlatform platform;

    int32_t Frame() {
        platform.SetMouse(x_, y_, buttons_);
        return control_->Update();
    }
    void Point(int32_t x, int32_t y) {
        x_ += x - control_->mouseX;
        y_ += y - control_->mouseY;
    }
    void PointAt(const CControl& c) { Point(c.x + c.width / 2, c.y + c.height / 2); }
    void SetButtons(uint8_t buttons) { buttons_ = buttons; }
    // Down for a frame: its result.
    int32_t Press(int32_t key) {
        platform.SetKey(key, true);
        return Frame();
    }
    // Up, and idle until input counts again.
    void Release(int32_t key) {
        platform.SetKey(key, false);
        Frame();
        Frame();
    }
    int32_t Tap(int32_t key) {
        int32_t result = Press(key);
        Release(key);
        return result;
    }
    void Type(const std::vector<int32_t>& keys) {
        for (int32_t key : keys)
            Tap(key);
    }
    // Press over the pointer, then the release's result.
    int32_t Click() {
        SetButtons(1);
        Frame();
        SetButtons(0);
        return Frame();
    }

private:
    ScopedPlatform scoped_{&platform};
    CControl* control_;
    int32_t x_ = 0, y_ = 0;
    uint8_t buttons_ = 0;
};

// The play task's stand-in, alone on a task stack of its own: it hands out
// a test world and logs every other message ("pause", "destination=3",
// "level=1"...). One at a time.
struct FakePlay {
    GameWorld* world = NewGameWorld();
    std::vector<std::string> messages;
    std::vector<uint8_t> levelTable = std::vector<uint8_t>(4 * 40, 0);

    explicit FakePlay(int16_t level = 1) {
        Active() = this;
        world->levelTable = levelTable.data();
        world->levelTableSize = static_cast<uint32_t>(levelTable.size());
        world->playState = PLAY_STATE_PLAYING;
        world->currentLevel = level;
        CreateTaskStack();
        PushTask(&FakePlay::Handler, 0, 0);
    }
    ~FakePlay() {
        PopAllTasks();
        DestroyTaskStack();
        DeleteGameWorld(world);
        Active() = nullptr;
    }
    void SetWord(int32_t n, int32_t value) {
        PutU32LE(levelTable.data() + 4 * n, static_cast<uint32_t>(value));
    }

private:
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
        std::vector<std::string>& log = Active()->messages;
        if (n == PLAY_MSG_GET_WORLD)
            *reinterpret_cast<GameWorld**>(arg) = Active()->world;
        else if (n == PLAY_MSG_GOTO_DESTINATION)
            log.push_back("destination=" + std::to_string(*reinterpret_cast<int32_t*>(arg)));
        else if (n == PLAY_MSG_GOTO_LEVEL)
            log.push_back("level=" + std::to_string(arg));
        else
            log.push_back(kNames.count(n) != 0 ? kNames.at(n) : "other");
    }
};
