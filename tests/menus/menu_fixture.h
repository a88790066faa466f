// Shared set-up of the menu tests: the toolkit's archive with the dialog
// frame, the click sounds and whatever text groups a test adds, opened and
// catalogued as the game does it, with the eight fonts loaded; and a
// recorder of the sounds the menus ask for.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "media/mmplay.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_archive.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/font.h"

constexpr uint32_t kMenuFrameWidth = 500;
constexpr uint32_t kMenuFrameBodyHeight = 560;
constexpr uint32_t kMenuFrameBottomHeight = 40;

// Item `item` of `group` replaced, or added with the items before it as
// filler.
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

// The toolkit catalogue with the dialog frame (group 13) and the map and
// click sounds (47 and 48, as raw entries: the unit tests never open the
// mixer, the recorder sees the request).
inline CatalogueBuilder MakeMenuCatalogue() {
    CatalogueBuilder catalogue = MakeUiCatalogue();
    PutItem(&catalogue, 57, 0, NumberEntry(0));
    PutItem(&catalogue, 13, 0,
            PlainEntry(RES_TYPE_PNG, SolidPng(kMenuFrameWidth, kMenuFrameBodyHeight, 0xFF203040)));
    PutItem(&catalogue, 13, 1,
            PlainEntry(RES_TYPE_PNG, SolidPng(kMenuFrameWidth, kMenuFrameBottomHeight, 0xFF405060)));
    PutItem(&catalogue, 47, 0, PlainEntry(RES_TYPE_SOUND_PREDECODED, {1, 2, 3, 4}));
    PutItem(&catalogue, 48, 0, PlainEntry(RES_TYPE_SOUND_PREDECODED, {1, 2, 3, 4}));
    return catalogue;
}

// The catalogue written to a folder of the test's own, opened, catalogued,
// fonts 58..65 loaded into slots 0..7; everything released at the end.
class MenuArchive {
public:
    explicit MenuArchive(const CatalogueBuilder& catalogue = MakeMenuCatalogue()) {
        ok_ = catalogue.WriteToFile(path_) && OpenArchive(&gResourceArchive, path_.c_str()) == 1;
        if (!ok_)
            return;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        for (int32_t slot = 0; slot < 8; ++slot)
            gUI.LoadFont(58 + slot, slot);
    }
    ~MenuArchive() {
        gUI.UnloadFonts();
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        std::remove(path_.c_str());
    }
    bool ok() const { return ok_; }

private:
    ScopedTempDir folder_;
    std::string path_ = "menus_test.res";
    bool ok_ = false;
};

// Every request to start a sound while alive, as (entry index, kind); the
// catalogue's loading of a sound is no request.
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
