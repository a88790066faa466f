// The level-loading task and its steps: the level's archive chain, the map,
// the background, the tile images and the media of the types in use, cut
// into steps that fit a frame.
#include "world/level_load.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/app.h"
#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "world/game_world.h"

namespace {

constexpr uint32_t kLoadingPictureGroup = 10;
constexpr int32_t kCameraMapLayer = 2;
constexpr int32_t kDrawnLayers = 3; // layers 0..2 carry tile images
constexpr int32_t kDestinationWords = 2 * kDestinationCount;
constexpr uint8_t kCodeImageLoaded = 1;
constexpr uint8_t kCodeUsed = 2;
constexpr uint16_t kLevelListSeparator = 0xFFFF;

enum class StepEnd { Next, EndUpdate, Popped };

ResourceArchive* Archive() {
    return &gResourceArchive;
}

int64_t EntryCount() {
    return GetEntryCount(Archive());
}

bool ChainWord(int64_t index, uint32_t* value) {
    return index >= 0 && index < EntryCount() &&
           ReadEntryWord(Archive(), static_cast<uint32_t>(index), value) != 0;
}

// A chain word that names an archive entry.
bool ChainEntry(int64_t index, uint32_t* value) {
    return ChainWord(index, value) && *value < EntryCount();
}

// All that step 0 reads from the archive, gathered before any of it reaches
// the world, so a level that cannot be found leaves the world as it was.
struct LevelChain {
    uint32_t a, b, l, p, t, t2, d;
    uint32_t mediaPart;
    int32_t bases[3];
    int64_t destinationWords; // as the level gives them, before the cap
    int32_t destinations[kDestinationWords];
};

bool FindLevel(int32_t v, LevelChain* c) {
    if (v < 1 || !ChainEntry(kLevelIndexEntry, &c->a) || !ChainEntry(kTileSetIndexEntry, &c->b))
        return false;
    const int64_t index = int64_t{c->a} + v - 1;
    // The two indexes are separate tables, so a level index that starts
    // before the tile-set index ends where that one begins.
    if (c->b > c->a && index >= c->b)
        return false;
    if (!ChainEntry(index, &c->l) || !ChainWord(int64_t{c->l} + 1, &c->p) || c->p < 1 ||
        !ChainWord(int64_t{c->l} + 2, &c->mediaPart) ||
        !ChainEntry(int64_t{c->p} + c->b - 1, &c->t) || !ChainEntry(int64_t{c->t} + 1, &c->t2) ||
        !ChainEntry(int64_t{c->l} + 7, &c->d))
        return false;
    for (int32_t k = 0; k < 3; ++k) {
        uint32_t base = 0;
        if (!ChainWord(int64_t{c->l} + 4 + k, &base))
            return false;
        c->bases[k] = static_cast<int32_t>(base);
    }
    std::memset(c->destinations, 0, sizeof(c->destinations));
    c->destinationWords = int64_t{c->d} - c->l - 7;
    const int64_t kept = c->destinationWords < kDestinationWords ? c->destinationWords
                                                                  : kDestinationWords;
    for (int32_t w = 0; w < kept; ++w) {
        uint32_t word = 0;
        if (!ChainWord(int64_t{c->l} + 8 + w, &word))
            return false;
        c->destinations[w] = static_cast<int32_t>(word);
    }
    return true;
}

int32_t TypeOfCode(const GameWorld* world, int32_t code) {
    return code >= 0 && code < kTileCodeCount ? world->codeTypes[code] : 0;
}

int32_t LastMediaSet(const GameWorld* world) {
    return world->mediaSetsUsed < kMediaSetCount ? world->mediaSetsUsed : kMediaSetCount - 1;
}

bool TypeInUse(const GameWorld* world, int32_t type) {
    for (uint8_t listed : world->typeList)
        if (listed != 0 && listed == type)
            return true;
    for (int32_t p = 0; p <= world->placementCount; ++p)
        if (TypeOfCode(world, world->placements[p].code) == type)
            return true;
    return false;
}

// Of a set with a per-level list, frees the sprite images that the list
// of the current level does not name. Without a list every sprite is the
// level's (the sprite step loads them all), so all are kept.
void FreeUnlistedSprites(const GameWorld* world, MediaSet* set) {
    const LevelMediaList& list = set->levelSprites;
    if (list.count <= 0 || set->sprites == nullptr || set->lastSprite < 0)
        return;
    std::vector<uint8_t> named(static_cast<size_t>(set->lastSprite) + 1, 0);
    const int32_t level = world->currentLevel;
    const uint8_t* group = level >= 0 && level < list.count ? list.levels[level] : nullptr;
    if (group != nullptr && group >= list.entry) {
        for (size_t at = static_cast<size_t>(group - list.entry); at + 2 <= list.entrySize;
             at += 2) {
            const uint16_t index = GetU16LE(list.entry + at);
            if (index == kLevelListSeparator)
                break;
            if (index < named.size())
                named[index] = 1;
        }
    }
    for (int32_t i = 0; i <= set->lastSprite; ++i) {
        SpriteEntry& sprite = set->sprites[i];
        if (named[static_cast<size_t>(i)] != 0 || sprite.image == nullptr)
            continue;
        ResourceHandle handle = reinterpret_cast<ResourceHandle>(sprite.image);
        FreeResourceByType(&handle, static_cast<uint32_t>(sprite.archiveType));
        sprite.image = nullptr;
    }
}

// Loads the tile image of `code` from `entry`; only a PNG picture becomes a
// tile image (the other image types load as raw bytes, which nothing here
// could draw).
void LoadTileImage(GameWorld* world, int64_t entry, uint32_t last, int32_t code) {
    if (entry > last || entry >= EntryCount()) {
        std::printf("Tile image of code %d: entry %lld lies outside the tile set\n", code,
                    static_cast<long long>(entry));
        return;
    }
    FreeImage(&world->tileImages[code]);
    auto resolved = static_cast<uint32_t>(entry);
    ResourceHandle handle = 0;
    LoadResourceChecked(Archive(), &resolved, &handle, RES_CLASS_IMAGE);
    const uint32_t type = GetEntryType(Archive(), resolved);
    if (type == RES_TYPE_PNG) {
        world->tileImages[code] = HandleAs<Image>(handle);
    } else if (handle != 0) {
        std::printf("Tile image of code %d: entry %u is not a PNG picture\n", code, resolved);
        FreeResourceByType(&handle, type);
    }
}

void LoadBackground(LevelLoadState* state) {
    GameWorld* world = state->world;
    FreeImage(&world->background);
    // Whatever goes wrong below leaves no background, not one placed where
    // the previous level's picture was.
    world->backgroundX = 0;
    world->backgroundY = 0;
    const uint32_t entry = ResolveResourceLink(Archive(), state->l + 3);
    const uint32_t type = GetEntryType(Archive(), entry);
    if (type != RES_TYPE_PNG) {
        if (type != RES_TYPE_IMAGE_STUB)
            std::printf("Level %d: background entry %u is not a PNG picture\n", state->level,
                        entry);
        return;
    }
    Image* image = nullptr;
    if (LoadPngResource(&image, Archive(), entry) == 0 || image == nullptr) {
        std::printf("Level %d: background entry %u cannot be decoded\n", state->level, entry);
        return;
    }
    UploadTexture(image);
    world->background = image;
    world->backgroundX = (gScreenRect[0] - image->width) / 2;
    world->backgroundY = (gScreenRect[1] - image->height) / 2;
}

// Without a level loaded there is nothing to go back to, so the game ends;
// otherwise the current level is loaded again (the play task has already
// removed its objects and placements) and play resumes there.
StepEnd LevelNotFound(LevelLoadState* state) {
    GameWorld* world = state->world;
    char text[48];
    std::snprintf(text, sizeof(text), "Level %d not found\n", state->level);
    if (world->currentLevel == -1 || world->currentLevel == state->level)
        FatalMessage(text);
    std::fputs(text, stdout);
    state->level = world->currentLevel;
    // The entries of the level not found mean nothing here.
    state->entry = kEntryNone;
    return StepEnd::Next;
}

// Step 0.
StepEnd ReadLevelRecord(LevelLoadState* state) {
    GameWorld* world = state->world;
    const int32_t v = state->level;
    LevelChain chain;
    if (!FindLevel(v, &chain))
        return LevelNotFound(state);
    state->a = chain.a;
    state->b = chain.b;
    state->l = chain.l;
    state->p = chain.p;
    state->t = chain.t;
    state->t2 = chain.t2;
    state->d = chain.d;
    // Read before the map is flagged rather than with the background: the
    // flags must mark the substitutes of this tile set, or a restart that
    // keeps the map would free the image a used code is drawn with.
    uint8_t substitutes[kTileCodeCount] = {};
    ReadEntryUpTo(Archive(), substitutes, state->t, kTileCodeCount);
    std::memcpy(world->codeSubstitutes, substitutes, sizeof(substitutes));
    if (static_cast<int16_t>(chain.mediaPart) != world->mediaPart) {
        FreeMediaSets(world);
        world->mediaPart = static_cast<int16_t>(chain.mediaPart);
    }
    world->runFlags &= static_cast<uint8_t>(~(WORLD_NO_SPAWN | WORLD_NO_DESPAWN));
    if (world->placementCount == -1) {
        for (int32_t k = 0; k < 3; ++k) {
            world->takenBitBases[k] = chain.bases[k];
            world->takenBitCounters[k] = chain.bases[k];
        }
    }
    // Step 0 runs again every frame while the level file stays unopened.
    if (chain.destinationWords > kDestinationWords && state->toldUnopened == 0)
        std::printf("Level %d: %lld destination words, only %d are kept\n", v,
                    static_cast<long long>(chain.destinationWords), kDestinationWords);
    static_assert(sizeof(world->destinations) == sizeof(chain.destinations),
                  "the destination words fill the pairs");
    std::memcpy(world->destinations, chain.destinations, sizeof(world->destinations));

    if (v == world->currentLevel) {
        state->step = 2;
        return StepEnd::Next;
    }
    // The old map stays until the new file opens: while it is retried the
    // world still holds the map its current level names.
    if (OpenResourceStream(Archive(), &state->stream, state->l) == 0) {
        CloseResourceStream(&state->stream);
        if (!state->toldUnopened) {
            state->toldUnopened = 1;
            std::printf("Level %d: level file entry %u cannot be opened\n", v, state->l);
        }
        return StepEnd::EndUpdate;
    }
    FreeTileRunMap(&world->map);
    int16_t layer = 0;
    int32_t loaded = 0;
    while ((loaded = LoadTileRunLayer(&world->map, &layer, &state->stream)) == 0) {
    }
    CloseResourceStream(&state->stream);
    // Unlike a file not there yet, a file that is there but broken would
    // fail the same way on every retry.
    if (loaded < 0) {
        char text[96];
        std::snprintf(text, sizeof(text), "Level %d: level file entry %u is not a level map\n", v,
                      state->l);
        FatalMessage(text);
    }
    ExpandTileRunLayers(&world->map);
    const TileRunLayer& sized = world->map.layers[kCameraMapLayer];
    SetCameraMapSize(world, sized.width, sized.rows);
    FlagLevelTiles(world);
    state->step = 1;
    return StepEnd::Next;
}

// Step 2.
void EnterLevel(LevelLoadState* state) {
    GameWorld* world = state->world;
    world->currentLevel = state->level;
    world->gameLevel = state->level;
    LoadBackground(state);
    state->progress = 0;
    ReleaseLevelImages(world, world->tileImageLevel != static_cast<int16_t>(state->t));
}

// Steps 13 and 14: the sprites each set lists for the level, one per step.
void LoadLevelSpritesStep(LevelLoadState* state) {
    GameWorld* world = state->world;
    const int32_t i = state->progress;
    if (i < 0 || i > LastMediaSet(world)) {
        state->progress = 0;
        state->second = 0;
        ++state->step;
        return;
    }
    MediaSet* set = &world->mediaSets[i];
    if (set->typeId == 0 || set->sprites == nullptr) {
        ++state->progress;
        return;
    }
    if (LoadLevelSprites(world, set, state->second) == 1) {
        state->second = 0;
        ++state->progress;
    } else {
        ++state->second;
    }
}

// Step 15.
void PlacePlayer(LevelLoadState* state) {
    GameWorld* world = state->world;
    SetCameraViewSize(world, gScreenRect[0], gScreenRect[1]);
    const LevelCameraRecord record = ReadLevelCameraRecord(world, state->level);
    SetCameraDeadZone(world, record.deadZone[0][0], record.deadZone[0][1], record.deadZone[0][2],
                      record.deadZone[0][3]);
    if (world->highestSlot >= 0)
        return;
    if (state->entry < kLevelEntryCount) {
        for (EntryRecord& entry : world->entries) {
            if (entry.type != OBJT_PLAYER)
                continue;
            for (int32_t p = 0; p <= world->placementCount; ++p) {
                const PlacementRecord& placement = world->placements[p];
                if (placement.code == state->entry + 1) {
                    entry.x = placement.x;
                    entry.y = placement.y;
                }
            }
            break;
        }
    }
    SpawnPlayer(world);
}

StepEnd RunStep(LevelLoadState* state) {
    GameWorld* world = state->world;
    switch (state->step) {
    case 0:
        return ReadLevelRecord(state);
    case 1:
        break;
    case 2:
        EnterLevel(state);
        break;
    case 3:
        if (LoadTileImagesStep(world, state->t + 2, state->t2, &state->progress) == 0)
            return StepEnd::Next;
        world->tileImageLevel = static_cast<int16_t>(state->t);
        break;
    case 4:
        if (world->placementCount != -1) {
            // The placements of this level are still there.
            state->step = 9;
            return StepEnd::Next;
        }
        break;
    case 5:
        CountPlacementsStep(world);
        state->progress = 0;
        break;
    case 6:
        if (PlaceObjectsStep(world, &state->progress) == 0)
            return StepEnd::Next;
        state->progress = 0;
        break;
    case 7:
    case 8:
        IndexPlacementsStep(world);
        state->step = 9;
        return StepEnd::Next;
    case 9:
        FollowPlayerWithCamera(world);
        RelinkObjectsToPlacements(world);
        state->progress = 0;
        break;
    case 10:
    case 11:
    case 12: {
        int32_t (*const media[])(GameWorld*, int32_t*) = {ReleaseUnusedMediaStep,
                                                          LoadListedTypesStep, LoadPlacedTypesStep};
        if (media[state->step - 10](world, &state->progress) == 0)
            return StepEnd::Next;
        state->progress = 0;
        state->second = 0;
        break;
    }
    case 13:
    case 14:
        LoadLevelSpritesStep(state);
        return StepEnd::Next;
    case 15:
        PlacePlayer(state);
        break;
    case 16:
        for (int32_t i = 0; i <= world->highestSlot; ++i)
            SendObjectMessage(world, &world->slots[i], OBJ_MSG_REBIND_MEDIA);
        state->step = 17;
        return StepEnd::EndUpdate;
    default:
        JumpCamera(world, 0, 0);
        world->playState = PLAY_STATE_START;
        PopTask();
        return StepEnd::Popped;
    }
    ++state->step;
    return StepEnd::Next;
}

void EnterTask(TaskRec* task) {
    SetTaskTag(TASK_TAG_LEVELLOAD);
    auto* state =
        static_cast<LevelLoadState*>(ZAlloc(static_cast<int32_t>(sizeof(LevelLoadState))));
    task->state = state;
    GameWorld* world = task->DataAs<GameWorld*>();
    state->world = world;
    if (world == nullptr)
        return;
    // A restart without a level change (the pause menu, the editor) asks
    // for no level: it reloads the game level, the level a restart loads.
    // Any other level below 1 is one that cannot be found.
    state->level = world->requestedLevel == -1 ? world->gameLevel : world->requestedLevel;
    state->entry = world->requestedEntry;
    world->requestedEntry = kEntryNone;
    world->requestedLevel = -1;
    world->playState = PLAY_STATE_LOADING;
}

} // namespace

// ---- the task ------------------------------------------------------------

void LevelLoadTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        EnterTask(task);
        break;
    case TASK_MSG_UPDATE: {
        LevelLoadState* state = task->StateAs<LevelLoadState>();
        if (state == nullptr || state->world == nullptr) {
            PopTask();
            return;
        }
        const uint32_t start = GetTicks();
        do {
            const StepEnd end = RunStep(state);
            if (end == StepEnd::Popped)
                return;
            if (end == StepEnd::EndUpdate)
                break;
        } while (GetTicks() - start <= kLevelLoadBudgetMs);
        break;
    }
    case TASK_MSG_LEAVE:
        UnloadGroup(&gResourceCatalogue, kLoadingPictureGroup);
        if (task->state != nullptr)
            CloseResourceStream(&task->StateAs<LevelLoadState>()->stream);
        FreeAndNull(&task->state);
        break;
    default:
        break;
    }
}

// ---- tiles and lists -----------------------------------------------------

void LoadLevelLists(GameWorld* world) {
    std::memset(world->codeTypes, 0, sizeof(world->codeTypes));
    std::memset(world->typeList, 0, sizeof(world->typeList));
    // Without either table a level has no objects or no collision at all,
    // which shows in play only as a baffling level: say which entry failed.
    if (ReadEntryUpTo(Archive(), world->codeTypes, kCodeTypeEntry, sizeof(world->codeTypes)) == 0)
        std::printf("Code-type table: entry %u cannot be read, no map code places an object\n",
                    kCodeTypeEntry);
    ReadEntryUpTo(Archive(), world->typeList, kTypeListEntry, sizeof(world->typeList));
    if (LoadTileShapes(world, Archive(), kTileShapeEntry) != 1)
        std::printf("Tile-shape table: entry %u cannot be read, no tile has a shape\n",
                    kTileShapeEntry);
}

void FlagLevelTiles(GameWorld* world) {
    for (uint8_t& flags : world->codeFlags) {
        if (world->allCodesUsed != 0)
            flags |= kCodeUsed;
        else
            flags &= static_cast<uint8_t>(~kCodeUsed);
    }
    for (int32_t layer = 0; layer < kDrawnLayers; ++layer) {
        const TileRunLayer& l = world->map.layers[layer];
        for (int32_t row = 0; row < l.rows; ++row) {
            for (int32_t column = 0; column < l.width; ++column) {
                const int32_t code = TileCodeAt(&world->map, layer, column, row);
                if (code < 0)
                    continue;
                world->codeFlags[code] |= kCodeUsed;
                const uint8_t substitute = world->codeSubstitutes[code];
                if (substitute != 0)
                    world->codeFlags[substitute] |= kCodeUsed;
            }
        }
    }
}

int32_t LoadTileImagesStep(GameWorld* world, uint32_t first, uint32_t last, int32_t* code) {
    const int32_t k = *code;
    if (k < 0 || k >= kTileCodeCount || int64_t{first} + k > last)
        return 1;
    if (world->codeFlags[k] == kCodeUsed) {
        const uint8_t substitute = world->codeSubstitutes[k];
        const int32_t shown = substitute != 0 ? substitute : k;
        // A substitute past the tile set's last image has no image to load;
        // marking it loaded would only hide that.
        if ((world->codeFlags[shown] & kCodeImageLoaded) == 0 && int64_t{first} + shown <= last) {
            world->codeFlags[k] |= kCodeImageLoaded;
            world->codeFlags[shown] |= kCodeImageLoaded;
            LoadTileImage(world, int64_t{first} + shown, last, shown);
        }
        world->codeFlags[k] |= kCodeImageLoaded;
    }
    *code = k + 1;
    return 0;
}

void ReleaseLevelImages(GameWorld* world, bool all) {
    for (int32_t code = 0; code < kTileCodeCount; ++code) {
        if (!all && world->codeFlags[code] != kCodeImageLoaded)
            continue;
        FreeImage(&world->tileImages[code]);
        world->codeFlags[code] &= static_cast<uint8_t>(~kCodeImageLoaded);
    }
    world->tileImageLevel = -1;
}

// ---- media ---------------------------------------------------------------

int32_t ReleaseUnusedMediaStep(GameWorld* world, int32_t* index) {
    const int32_t last = LastMediaSet(world);
    int32_t i = *index < 0 ? 0 : *index;
    while (i <= last && world->mediaSets[i].typeId == 0)
        ++i;
    if (i > last) {
        *index = i;
        return 1;
    }
    MediaSet* set = &world->mediaSets[i];
    if (TypeInUse(world, set->typeId))
        FreeUnlistedSprites(world, set);
    else
        FreeMediaSet(set);
    *index = i + 1;
    return 0;
}

int32_t LoadListedTypesStep(GameWorld* world, int32_t* index) {
    for (int32_t i = *index < 0 ? 0 : *index; i < kTypeListSize; ++i) {
        if (LoadMediaSet(world, world->typeList[i]) != 0) {
            *index = i + 1;
            return 0;
        }
    }
    *index = kTypeListSize;
    return 1;
}

int32_t LoadPlacedTypesStep(GameWorld* world, int32_t* index) {
    for (int32_t i = *index < 0 ? 0 : *index; i <= world->placementCount; ++i) {
        if (LoadMediaSet(world, TypeOfCode(world, world->placements[i].code)) != 0) {
            *index = i + 1;
            return 0;
        }
    }
    *index = world->placementCount + 1;
    return 1;
}
