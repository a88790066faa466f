// The play task: builds the world when it enters, then runs one play state
// per update and draws the world, its veils and the frame dumps.
#include "world/play_task.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/app.h"
#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/helpers.h"
#include "engine/safe_file.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "media/mmplay.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/option_gate.h"
#include "world/scene.h"

namespace {

constexpr uint32_t kLoadingPictureGroup = 10;
constexpr uint32_t kLoadingAnimationGroup = 12;
constexpr uint32_t kLevelStartSoundGroup = 46;
constexpr int32_t kLoadingAnimationY = 480;
constexpr int32_t kHintXUnset = -2000;
constexpr uint32_t kVeilAfterFadeOut = 0xFF05;
constexpr uint32_t kPauseVeil = 0x7F000000u;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr int32_t kDumpPixels = READ_SCREEN_BYTES / 3;
constexpr uint32_t kDumpBufferMinimum = kDumpHeaderBytes + READ_SCREEN_BYTES;
constexpr const char* kDumpFolder = "dump";
constexpr const char* kKeysPath = "dump/keys.bin";
constexpr const char* kSavePath = "game.sav";

// Where the loading animation stands; the loading screen and the fades
// each keep their own.
struct LoadingHint {
    int32_t x = kHintXUnset;
    int32_t count = 0;
    int32_t index = 0;
};
LoadingHint gLoadingHint;
LoadingHint gFadeHint;

// A restart or level change asked for while a level loads; it takes effect
// when the level starts, because acting at once would free the map and the
// placements that the loader is building.
struct PendingRequest {
    const GameWorld* world = nullptr;
    uint8_t playState = PLAY_STATE_NONE;
};
PendingRequest gPending;

// The world whose last step has not been drawn yet: only that frame is
// dumped, so a pause or a fade that redraws the world does not write the
// same frame again at every update.
const GameWorld* gUndrawnStep = nullptr;

WorldTraceHook gTraceHook = nullptr;
bool gToldFrameFailure = false;
// Set when a frame dump could not be written whole (a full disk, most
// likely): dumping stops, so the terminal is not flooded and the disk not
// filled with broken files, until the dump flags are set again.
bool gFrameDumpsHalted = false;

// The key recording being made, beside the one it is to replace: a
// recording cut short by a full disk must not cost the last whole one.
// Only one play task records at a time.
FileReplacement gKeysRecording;

void Trace(GameWorld* world, int32_t event) {
    if (gTraceHook != nullptr)
        gTraceHook(world, event);
}

void RequestDraw(TaskRec* task, GameWorld* world) {
    task->flags |= TASK_FLAG_DRAW;
    world->drawStage = 0;
}

// Arithmetic on scores wraps like the 32-bit words they are.
int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t ScoreLevelWord(const GameWorld* world, int32_t i) {
    return LevelWord(world, kFirstScoreLevelWord + i);
}

// A catalogue item's archive entry type; -1 when the item is outside its
// group. A negative item counts from the group's end.
int64_t ItemEntryType(uint32_t group, int64_t item) {
    const int64_t size = GetGroupSize(&gResourceCatalogue, group);
    if (item < 0)
        item += size;
    if (item < 0 || item >= size)
        return -1;
    return GetEntryType(gResourceCatalogue.archive,
                        GetResourceIndex(&gResourceCatalogue, group, static_cast<int32_t>(item)));
}

Image* CataloguePicture(uint32_t group, int64_t item) {
    if (ItemEntryType(group, item) != RES_TYPE_PNG)
        return nullptr;
    return GetResourceImage(&gResourceCatalogue, group, static_cast<int32_t>(item));
}

void PlayCatalogueSound(uint32_t group, int32_t item) {
    const int64_t type = ItemEntryType(group, item);
    if (type < 0 || !ResourceTypeInClass(static_cast<uint32_t>(type), RES_CLASS_SOUND))
        return;
    const ResourceHandle sound = GetResource(&gResourceCatalogue, group, item);
    if (sound != 0)
        gMMplay.Play(-1, 0, static_cast<int32_t>(sound), SOUND_PREDECODED, 1);
}

// ---- drawing helpers -----------------------------------------------------

void FillScreen(uint32_t colour) {
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.x = 0;
    record.y = 0;
    record.width = gScreenRect[0];
    record.height = gScreenRect[1];
    record.colour = colour;
    FillRect(&record);
}

void DrawPicture(Image* image, int32_t x, int32_t y, uint32_t colour) {
    if (image == nullptr)
        return;
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.source = image;
    record.x = x;
    record.y = y;
    record.flags = SPRITE_FLAG_ALPHA;
    record.colour = colour;
    DrawSprite(&record);
}

// The picture of the level being entered and one frame of the animation.
void DrawLoadingScreen(const GameWorld* world, LoadingHint* hint, uint32_t colour) {
    const int64_t groupSize = GetGroupSize(&gResourceCatalogue, kLoadingPictureGroup);
    int64_t item = static_cast<int64_t>(world->levelBeingEntered) - 1;
    // The fallback starts only past the item just beyond the group, which
    // the checked lookup leaves undrawn.
    if (item > groupSize)
        item = groupSize - 3;
    if (item >= 0)
        DrawPicture(CataloguePicture(kLoadingPictureGroup, item), 0, 0, colour);

    if (hint->count == 0)
        hint->count =
            static_cast<int32_t>(GetGroupSize(&gResourceCatalogue, kLoadingAnimationGroup));
    if (hint->count <= 0)
        return;
    if (hint->x == kHintXUnset) {
        const Image* first = CataloguePicture(kLoadingAnimationGroup, 0);
        hint->x = (gScreenRect[0] - (first != nullptr ? first->width : 0)) / 2;
    }
    if (hint->index < 0 || hint->index >= hint->count)
        hint->index = 0;
    DrawPicture(CataloguePicture(kLoadingAnimationGroup, hint->index), hint->x, kLoadingAnimationY,
                colour);
    hint->index = hint->index + 1 >= hint->count ? 0 : hint->index + 1;
}

// ---- dumps ------------------------------------------------------------------

// Said once per recording: the recording stops, and the file it was to
// replace is left as it was.
void SayRecordingLost() {
    std::printf("Cannot record %s: %s; the file is left as it was\n", kKeysPath,
                gKeysRecording.Why().c_str());
}

// A whole recording takes the place of the last one only now.
void CloseKeysFile(GameWorld* world) {
    if (world->keysFile != nullptr)
        std::fclose(world->keysFile);
    world->keysFile = nullptr;
    if (gKeysRecording.IsOpen() && !gKeysRecording.Commit())
        SayRecordingLost();
    world->dumpFlags &= static_cast<uint8_t>(~DUMP_KEYS_OPEN);
}

// Entry 19's header with room for a whole screen behind it, whatever the
// entry's own size, so that ReadScreen never writes past the buffer.
void LoadDumpBuffer(GameWorld* world) {
    FreeAndNull(&world->dumpBuffer);
    world->dumpSize = 0;
    uint8_t* entry = nullptr;
    const int32_t size = LoadRawResource(&gResourceArchive, kDumpHeaderEntry, &entry);
    if (entry == nullptr || size < kDumpHeaderBytes) {
        std::printf("No frame dumps: archive entry %u holds no %d-byte BMP header\n",
                    kDumpHeaderEntry, kDumpHeaderBytes);
        std::free(entry);
        return;
    }
    const uint32_t bytes = std::max(static_cast<uint32_t>(size), kDumpBufferMinimum);
    world->dumpBuffer = static_cast<uint8_t*>(ZAlloc(static_cast<int32_t>(bytes)));
    std::memcpy(world->dumpBuffer, entry, static_cast<size_t>(size));
    std::free(entry);
    world->dumpSize = bytes;
}

// Key and frame dumps go to the dump folder, made when a recording starts.
bool MakeDumpFolder() {
    struct stat info;
    if (mkdir(kDumpFolder, 0777) == 0 ||
        (errno == EEXIST && stat(kDumpFolder, &info) == 0 && S_ISDIR(info.st_mode)))
        return true;
    std::printf("Cannot record: the folder %s cannot be made: %s\n", kDumpFolder,
                errno == EEXIST ? "something else by that name is in the way"
                                : std::strerror(errno));
    return false;
}

// A replay is never opened on a FIFO or a device, which would stop the game.
bool OpenReplay(GameWorld* world) {
    const char* why = nullptr;
    world->keysFile = RegularFileStream(OpenRegularFile(kKeysPath, &why), "rb", &why);
    if (world->keysFile != nullptr)
        return true;
    std::printf("Cannot open %s to replay: %s\n", kKeysPath, why);
    return false;
}

// A recording is never made over a FIFO or a device either, nor over a
// file the user made read-only.
bool StartRecording() {
    if (!MakeDumpFolder())
        return false;
    if (gKeysRecording.Begin(kKeysPath))
        return true;
    std::printf("Cannot open %s to record: %s\n", kKeysPath, gKeysRecording.Why().c_str());
    return false;
}

void OpenKeysFile(GameWorld* world) {
    const bool replay = (world->dumpFlags & DUMP_KEYS_REPLAY) != 0;
    if (!(replay ? OpenReplay(world) : StartRecording()))
        return;
    world->dumpFlags |= DUMP_KEYS_OPEN;
    LoadDumpBuffer(world);
}

uint32_t RecordOrReplayKeys(GameWorld* world, uint32_t input) {
    if ((world->dumpFlags & (DUMP_KEYS_OPEN | DUMP_KEYS_ACTIVE)) !=
        (DUMP_KEYS_OPEN | DUMP_KEYS_ACTIVE))
        return input;
    uint8_t bytes[4];
    if ((world->dumpFlags & DUMP_KEYS_REPLAY) != 0) {
        if (world->keysFile == nullptr)
            return input;
        const size_t got = std::fread(bytes, 1, sizeof(bytes), world->keysFile);
        return ReplayedKeys(bytes, got, input);
    }
    PutU32LE(bytes, input);
    if (gKeysRecording.IsOpen() && !gKeysRecording.Write(bytes, sizeof(bytes)))
        SayRecordingLost();
    return input;
}

bool FrameDumpWanted(const GameWorld* world) {
    constexpr uint8_t kMask =
        DUMP_KEYS_OPEN | DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY | DUMP_FRAMES_OFF;
    return (world->dumpFlags & kMask) == (DUMP_KEYS_OPEN | DUMP_KEYS_ACTIVE);
}

// Writes the dump buffer and closes the file; null when all went well,
// else why not.
const char* WriteFrameFile(GameWorld* world) {
    errno = 0;
    const size_t written = std::fwrite(world->dumpBuffer, 1, world->dumpSize, world->frameFile);
    const int writeError = errno;
    errno = 0;
    const bool closed = std::fclose(world->frameFile) == 0;
    const int closeError = errno;
    world->frameFile = nullptr;
    if (written != world->dumpSize)
        return writeError != 0 ? std::strerror(writeError) : "short write";
    if (!closed)
        return closeError != 0 ? std::strerror(closeError) : "it could not be closed";
    return nullptr;
}

void DumpFrame(GameWorld* world) {
    if (gFrameDumpsHalted || world->dumpBuffer == nullptr || world->dumpSize < kDumpBufferMinimum)
        return;
    char name[32];
    std::snprintf(name, sizeof(name), "dump/%07u.bmp", world->frameCounter);
    const char* why = nullptr;
    world->frameFile = RegularFileStream(OpenRegularFileToRewrite(name, &why), "wb", &why);
    if (world->frameFile == nullptr) {
        if (!gToldFrameFailure)
            std::printf("Cannot write frame dump %s: %s\n", name, why);
        gToldFrameFailure = true;
        return;
    }
    gToldFrameFailure = false;
    uint8_t* pixels = world->dumpBuffer + kDumpHeaderBytes;
    ReadScreen(pixels);
    for (int32_t i = 0; i < kDumpPixels; ++i)
        std::swap(pixels[3 * i], pixels[3 * i + 2]);
    if (const char* failure = WriteFrameFile(world)) {
        std::printf("Frame dump %s is incomplete: %s\n", name, failure);
        std::remove(name);
        gFrameDumpsHalted = true;
    }
}

// ---- the player and the score ---------------------------------------------

ObjectSlot* FindPlayer(GameWorld* world) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, OBJT_PLAYER);
}

EntryRecord* EntryRecordOf(GameWorld* world, const ObjectSlot* object) {
    if (object->itemNumber < 0 || object->itemNumber >= kEntryRecordCount)
        return nullptr;
    return &world->entries[object->itemNumber];
}

// The level travels through the entry record as a signed byte, and the
// request gets that byte back.
void SendPlayerToLevel(GameWorld* world, ObjectSlot* player, int32_t level, uint16_t entry) {
    const auto byte = static_cast<int8_t>(level);
    if (EntryRecord* record = EntryRecordOf(world, player)) {
        record->flags |= ENTRY_FLAG_DESTINATION_CHOSEN;
        record->level = byte;
    }
    RequestLevelChange(world, byte, entry);
}

// The safe writer says why when it fails.
void WriteSaveFile() {
    WriteSaveBlockFile(kSavePath);
}

void RecordStartingScore(GameWorld* world) {
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    for (int32_t i = 0; i < kScoreLevelCount; ++i) {
        if (ScoreLevelWord(world, i) == world->currentLevel) {
            user->levelScore[i] = user->runningScore;
            WriteSaveFile();
            return;
        }
    }
}

// The point the activation window centres on: the followed object, or the
// view's centre when the camera follows nothing.
void ActivationPoint(GameWorld* world, int16_t* x, int16_t* y) {
    if (const ObjectSlot* followed = CameraFollowedSlot(world)) {
        *x = followed->x;
        *y = followed->y;
        return;
    }
    const Camera& camera = world->camera;
    const int64_t cx = (static_cast<int64_t>(camera.positionX) + camera.viewWidth / 2) / 65536;
    const int64_t cy = (static_cast<int64_t>(camera.positionY) + camera.viewHeight / 2) / 65536;
    *x = static_cast<int16_t>(std::clamp<int64_t>(cx, INT16_MIN, INT16_MAX));
    *y = static_cast<int16_t>(std::clamp<int64_t>(cy, INT16_MIN, INT16_MAX));
}

// ---- the task's messages ----------------------------------------------------

void Enter(TaskRec* task) {
    SetTaskTag(TASK_TAG_PLAY);
    GameWorld* world = NewGameWorld();
    task->flags |= TASK_FLAG_UPDATE_BELOW;
    task->state = world;
    gLoadingHint = LoadingHint{};
    gFadeHint = LoadingHint{};
    gPending = PendingRequest{};

    world->fadeStep = kFadeStep;
    for (ObjectSlot& slot : world->slots)
        slot.placement = nullptr;
    ResetMediaSets(world);
    ResetSoundSlots(world);
    for (Image*& image : world->tileImages)
        image = nullptr;
    world->mediaSetsUsed = -1;
    world->highestSlot = -1;

    InstallObjectTypes(world);
    LoadLevelLists(world);
    world->background = nullptr;
    LoadMusicTable(world);

    SetCameraAnchor(world, 0, 0);
    world->camera.velocityX = 0;
    world->camera.velocityY = 0;

    ResetGameProgress(world);
    InitTileRunMap(world);
    world->requestedEntry = 0xFFFD;

    world->drawStage = DRAW_STAGE_DONE;
    world->requestedLevel = world->gameLevel;
    world->requestedEntry = static_cast<uint16_t>(world->requestedEntry + 1);
    world->currentLevel = -1;
    world->tileImageLevel = -1;

    ResourceHandle handle = 0;
    GetResourceCached(&gResourceCatalogue, 0, 0, &handle);
    world->levelTable = HandleAs<const uint8_t>(handle);
    world->levelTableSize = handle != 0 ? GetResourceSize(&gResourceCatalogue, 0, 0) : 0;
    GetResourceCached(&gResourceCatalogue, 0, 1, &handle);
    world->cameraRecords = HandleAs<const uint8_t>(handle);
    world->cameraRecordsSize = handle != 0 ? GetResourceSize(&gResourceCatalogue, 0, 1) : 0;

    SetCameraViewSize(world, gScreenRect[0], gScreenRect[1]);
    const int32_t first = 8 * world->gameLevel; // byte 16 x game level
    SetCameraDeadZone(world, CameraRecordValue(world, first), CameraRecordValue(world, first + 1),
                      CameraRecordValue(world, first + 2), CameraRecordValue(world, first + 3));

    task->flags &= ~TASK_FLAG_DRAW;
}

void Leave(TaskRec* task, GameWorld* world) {
    FreeImage(&world->background);
    ReleaseLevelImages(world, true);
    FreeMediaSets(world);
    DeleteObjectsExceptType(world, -1);
    FreeTileRunMapBuffers(world);
    FreeTileShapes(world);
    FreeTileRunMap(&world->map);
    CloseKeysFile(world);
    FreeAndNull(&world->dumpBuffer);
    world->dumpSize = 0;
    if (gPending.world == world)
        gPending = PendingRequest{};
    if (gUndrawnStep == world)
        gUndrawnStep = nullptr;
    DeleteGameWorld(world);
    task->state = nullptr;
}

// One simulation step, paired with one drawn frame.
void SimulationStep(TaskRec* task, GameWorld* world) {
    ++world->frameCounter;
    const uint32_t input = RecordOrReplayKeys(world, gGameKeysPressed);
    UpdateCamera(world);
    int16_t x = 0, y = 0;
    if ((world->runFlags & WORLD_NO_DESPAWN) == 0) {
        ActivationPoint(world, &x, &y);
        DespawnFarObjects(world, x, y);
    }
    if ((world->runFlags & WORLD_NO_SPAWN) == 0) {
        ActivationPoint(world, &x, &y);
        SpawnNearbyObjects(world, x, y);
    }
    if ((world->runFlags & WORLD_NO_PAIRS) == 0)
        ProcessObjectPairs(world);
    if ((world->runFlags & WORLD_NO_TICK) == 0) {
        // Objects made during the loop raise the highest slot and get the
        // message in the same step.
        for (int32_t i = 0; i <= world->highestSlot && i < kObjectSlotCount; ++i)
            SendObjectMessage(world, &world->slots[i], input);
    }
    if (world->requestedLevel > 0) {
        world->playState = PLAY_STATE_LEVEL_END;
        if (world->requestedLevel == LevelWord(world, kLastLevelWord))
            world->gameFlags |= GAME_FLAG_COMPLETED;
    }
    RequestDraw(task, world);
    gUndrawnStep = world;
    Trace(world, WORLD_TRACE_STEP);
}

void StartLevel(GameWorld* world) {
    if (gPending.world == world && gPending.playState != PLAY_STATE_NONE) {
        world->playState = gPending.playState;
        world->brightness = kFullVeil;
        gPending = PendingRequest{};
        return;
    }
    Trace(world, WORLD_TRACE_LEVEL_START);
    BroadcastTaskMessage(TASK_TAG_UIFLOW, UI_MSG_FADE_IN, 0);
    PlayLevelMusic(world, world->currentLevel);
    if (world->gameLevel != 1)
        PlayCatalogueSound(kLevelStartSoundGroup, 0);
    world->playState = PLAY_STATE_FADE_IN;
    world->brightness = kFullVeil;
    if ((world->dumpFlags & (DUMP_KEYS_OPEN | DUMP_KEYS_ACTIVE)) == DUMP_KEYS_ACTIVE)
        OpenKeysFile(world);
    if (world->scoreBookkeepingOff == 0)
        RecordStartingScore(world);
    world->scoreBookkeepingOff = 0;
}

void Restart(GameWorld* world) {
    if (gUndrawnStep == world)
        gUndrawnStep = nullptr;
    StopAllSounds(world);
    ResumeAllSounds(world);
    DeleteObjectsExceptType(world, -1);
    FreeTileRunMapBuffers(world);
    PushTask(LevelLoadTaskHandler, TaskWord(world), 0);
    world->playState = PLAY_STATE_LOADING;
}

void FadeOut(TaskRec* task, GameWorld* world) {
    const uint32_t v = world->brightness + world->fadeStep;
    if (v < kFullVeil) {
        world->brightness = v;
        RequestDraw(task, world);
    } else if ((v & 0xFF) > 2) {
        StopMusic();
        world->playState = PLAY_STATE_RESTART;
        world->brightness = kVeilAfterFadeOut;
    } else {
        world->brightness = (v + 1) | kFullVeil;
        RequestDraw(task, world);
    }
}

void LevelEnd(TaskRec* task, GameWorld* world) {
    StopAllSounds(world);
    PauseAllSounds(world);
    if ((world->gameFlags & GAME_FLAG_COMPLETED) == 0)
        world->playState = PLAY_STATE_FADE_OUT;
    int32_t i = kScoreLevelCount;
    if (world->requestedLevel != 2) {
        for (int32_t k = 0; k < kScoreLevelCount; ++k) {
            if (ScoreLevelWord(world, k) == world->requestedLevel) {
                i = k;
                break;
            }
        }
    }
    if (world->scoreBookkeepingOff == 0 && i < kScoreLevelCount)
        world->playState = PLAY_STATE_LEVEL_END;
    if (world->playState == PLAY_STATE_LEVEL_END) {
        if (const UserRecord* user = CurrentUserRecord())
            world->levelStatus.basePoints =
                i == 0 ? user->runningScore : WrapSub(user->runningScore, user->levelScore[i - 1]);
        BroadcastTaskMessage(TASK_TAG_UIFLOW, UI_MSG_LEVEL_END, TaskWord(&world->levelStatus));
    }
    RequestDraw(task, world);
}

void Update(TaskRec* task, GameWorld* world) {
    switch (world->playState) {
    case PLAY_STATE_LOADING:
        RequestDraw(task, world);
        break;
    case PLAY_STATE_START:
        StartLevel(world);
        break;
    case PLAY_STATE_PLAYING:
        if ((world->drawStage & DRAW_STAGE_DONE) != 0)
            SimulationStep(task, world);
        // A step that ended the level or asked for a restart keeps its state.
        if (world->pauseFlag != 0 && world->playState == PLAY_STATE_PLAYING) {
            world->playState = PLAY_STATE_PAUSED;
            PauseAllSounds(world);
        }
        break;
    case PLAY_STATE_RESTART:
        Restart(world);
        break;
    case PLAY_STATE_FADE_OUT:
        FadeOut(task, world);
        break;
    case PLAY_STATE_FADE_IN:
        world->brightness -= world->fadeStep;
        if (static_cast<int32_t>(world->brightness) <= 256) {
            world->playState = PLAY_STATE_PLAYING;
            world->brightness = 0;
        }
        RequestDraw(task, world);
        break;
    case PLAY_STATE_PAUSED:
        if (world->pauseFlag == 0)
            world->playState = PLAY_STATE_PLAYING;
        RequestDraw(task, world);
        break;
    case PLAY_STATE_LEVEL_END:
        LevelEnd(task, world);
        break;
    default:
        break;
    }
}

void Draw(TaskRec* task, GameWorld* world) {
    if ((world->runFlags & WORLD_NO_DRAW) != 0)
        return;
    switch (world->playState) {
    case PLAY_STATE_LOADING:
        if (world->levelBeingEntered > 1)
            DrawLoadingScreen(world, &gLoadingHint, kBlack);
        else
            FillScreen(kBlack);
        return;
    case PLAY_STATE_PLAYING:
    case PLAY_STATE_FADE_OUT:
    case PLAY_STATE_FADE_IN:
    case PLAY_STATE_PAUSED:
    case PLAY_STATE_LEVEL_END:
        break;
    default:
        return;
    }
    if (DrawWorld(world) != 0) {
        if (gUndrawnStep == world && FrameDumpWanted(world))
            DumpFrame(world);
        gUndrawnStep = nullptr;
        task->flags &= ~TASK_FLAG_DRAW;
    }
    if (world->playState == PLAY_STATE_PAUSED) {
        FillScreen(kPauseVeil);
    } else if (world->playState == PLAY_STATE_FADE_OUT || world->playState == PLAY_STATE_FADE_IN) {
        const uint32_t veil = (world->brightness & 0xFF00) << 16;
        if (world->levelBeingEntered > 1)
            DrawLoadingScreen(world, &gFadeHint, veil);
        else
            FillScreen(veil);
    }
}

// The editor's reload of the map it edited.
void ReloadObjects(GameWorld* world) {
    DeleteObjectsExceptType(world, -1);
    const int32_t first = std::max(world->takenBitBases[0], 0);
    const int32_t end = std::min(world->takenBitCounters[0], kTakenBitCount);
    for (int32_t n = first; n < end; ++n)
        SetWorldBit(world, n, 0);
    for (int32_t k = 0; k < 3; ++k)
        world->takenBitCounters[k] = world->takenBitBases[k];

    FreeTileRunMapBuffers(world);
    CountPlacementsStep(world);
    int32_t row = 0;
    while (PlaceObjectsStep(world, &row) == 0) {
    }
    int32_t placement = 0;
    while (LoadPlacedTypesStep(world, &placement) == 0) {
    }
    const int32_t lastSet = std::min<int32_t>(world->mediaSetsUsed, kMediaSetCount - 1);
    for (int32_t i = 0; i <= lastSet; ++i) {
        MediaSet* set = &world->mediaSets[i];
        if (set->typeId == 0 || set->sprites == nullptr)
            continue;
        // LoadLevelSprites answers 1 at the set's last sprite at the latest.
        for (int32_t n = 0; n <= set->lastSprite + 1; ++n)
            if (LoadLevelSprites(world, set, n) == 1)
                break;
    }
    IndexPlacementsStep(world);
    SpawnPlayer(world);
}

void HandleUserMessage(TaskRec* task, GameWorld* world, uint32_t n) {
    switch (n) {
    case PLAY_MSG_RESTART:
        if (world->playState == PLAY_STATE_LOADING)
            gPending = PendingRequest{world, PLAY_STATE_RESTART};
        else
            world->playState = PLAY_STATE_RESTART;
        break;
    case PLAY_MSG_GOTO_DESTINATION: {
        auto* index = task->MessageArgAs<int32_t*>();
        ObjectSlot* player = index != nullptr ? FindPlayer(world) : nullptr;
        if (player == nullptr)
            break;
        const int32_t d = *index;
        if (d >= 0 && d < kDestinationCount)
            SendPlayerToLevel(world, player, world->destinations[d][0],
                              static_cast<uint16_t>(world->destinations[d][1]));
        *index = -1;
        break;
    }
    case PLAY_MSG_GET_WORLD:
        if (auto** out = task->MessageArgAs<GameWorld**>())
            *out = world;
        break;
    case PLAY_MSG_GOTO_LEVEL:
        if (ObjectSlot* player = FindPlayer(world))
            SendPlayerToLevel(world, player, static_cast<int32_t>(task->messageArg), 0);
        break;
    case PLAY_MSG_RELOAD_OBJECTS:
        ReloadObjects(world);
        break;
    case PLAY_MSG_SET_PLAYER_POS: {
        const auto* xy = task->MessageArgAs<const int32_t*>();
        ObjectSlot* player = xy != nullptr ? FindPlayer(world) : nullptr;
        if (player == nullptr)
            break;
        player->x = static_cast<int16_t>(xy[0]);
        player->y = static_cast<int16_t>(xy[1]);
        if (player->logic != nullptr && world->types[player->typeId].logicUnits > 0) {
            const int32_t motion[4] = {static_cast<int32_t>(static_cast<uint32_t>(xy[0]) << 16),
                                       static_cast<int32_t>(static_cast<uint32_t>(xy[1]) << 16), 0,
                                       0};
            std::memcpy(player->logic, motion, sizeof(motion));
        }
        break;
    }
    case PLAY_MSG_GET_PLAYER_POS: {
        auto* xy = task->MessageArgAs<int32_t*>();
        const ObjectSlot* player = xy != nullptr ? FindPlayer(world) : nullptr;
        if (player == nullptr)
            break;
        xy[0] = player->x;
        xy[1] = player->y;
        break;
    }
    case PLAY_MSG_RESET_PROGRESS:
        ResetGameProgress(world);
        break;
    case PLAY_MSG_SET_DUMP_FLAGS:
        if ((world->dumpFlags & DUMP_KEYS_OPEN) != 0)
            CloseKeysFile(world);
        world->dumpFlags = static_cast<uint8_t>(task->messageArg & 0xFE);
        gFrameDumpsHalted = false;
        break;
    case PLAY_MSG_PAUSE:
        world->pauseFlag = 1;
        break;
    case PLAY_MSG_RESUME:
        ResumeAllSounds(world);
        world->pauseFlag = 0;
        break;
    default:
        break;
    }
}

bool IsCollectableA(int32_t type) {
    return type == 4 || type == 5 || type == 6 || type == 56 || type == 57 || type == 75 ||
           type == 76;
}

bool IsCollectableB(int32_t type) {
    return type == 32 || (type >= 39 && type <= 45) || type == 47 || type == 48 ||
           (type >= 50 && type <= 53);
}

} // namespace

void PlayTaskHandler(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        Enter(task);
        return;
    }
    GameWorld* world = task->StateAs<GameWorld>();
    if (world == nullptr)
        return;
    switch (message) {
    case TASK_MSG_UPDATE:
        gMMplay.Update();
        Update(task, world);
        break;
    case TASK_MSG_DRAW:
        Draw(task, world);
        break;
    case TASK_MSG_LEAVE:
        Leave(task, world);
        break;
    default:
        if ((message & TASK_MSG_USER) != 0)
            HandleUserMessage(task, world, message ^ TASK_MSG_USER);
        break;
    }
}

uint32_t ReplayedKeys(const uint8_t* bytes, size_t count, uint32_t live) {
    for (size_t k = 0; k < count && k < 4; ++k) {
        const uint32_t shift = 8 * static_cast<uint32_t>(k);
        live = (live & ~(0xFFu << shift)) | static_cast<uint32_t>(bytes[k]) << shift;
    }
    // A foreign file must not smuggle object message bits into the step.
    return live & GAME_KEY_MASK;
}

void RequestLevelChange(GameWorld* world, int32_t level, uint16_t entry) {
    world->requestedLevel = static_cast<int16_t>(level);
    world->requestedEntry = entry;
    if (world->playState == PLAY_STATE_LOADING)
        gPending = PendingRequest{world, PLAY_STATE_FADE_OUT};
    else
        world->playState = PLAY_STATE_FADE_OUT;
    world->levelBeingEntered = static_cast<int16_t>(level);
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    for (int32_t i = 0; i < kScoreLevelCount; ++i)
        if (ScoreLevelWord(world, i) == level)
            user->levelScore[i] = user->runningScore;
}

void ClearTakenItems(GameWorld* world) {
    std::memset(world->takenBits, 0, sizeof(world->takenBits));
    std::memset(world->spareTaken, 0, sizeof(world->spareTaken));
}

void ResetGameProgress(GameWorld* world) {
    if (UserRecord* user = CurrentUserRecord())
        user->runningScore = 0;
    world->levelStatus = LevelStatusRecord{};
    world->gameLevel = 1;
    ClearTakenItems(world);
}

void AddLevelHits(GameWorld* world, int32_t v) {
    if (v < 0)
        world->levelStatus.hits = static_cast<int32_t>(
            static_cast<uint32_t>(world->levelStatus.hits) - static_cast<uint32_t>(v));
}

void CountLevelCollectables(GameWorld* world) {
    if (world->placements == nullptr)
        return;
    LevelStatusRecord& status = world->levelStatus;
    const int32_t option = CurrentUserOption();
    for (int32_t p = 0; p <= world->placementCount; ++p) {
        const PlacementRecord& placement = world->placements[p];
        const int32_t type = placement.code < kTileCodeCount ? world->codeTypes[placement.code] : 0;
        if (type < 4 || type > 76 || world->types[type].kind != OBJ_KIND_ORDINARY)
            continue;
        const bool taken = !IsWorldBitClear(world, static_cast<uint16_t>(placement.itemNumber));
        if (IsCollectableA(type)) {
            ++status.countA;
            if (taken)
                ++status.gotA;
        } else if (IsCollectableB(type)) {
            if (!OptionGateAllows(RightCellCode(world, placement.x, placement.y), option))
                continue;
            ++status.countB;
            if (taken)
                ++status.gotB;
        }
    }
}

void SetWorldTraceHook(WorldTraceHook hook) {
    gTraceHook = hook;
}

std::string FormatWorldTrace(const GameWorld* world) {
    char text[64];
    std::snprintf(text, sizeof(text), "%u:", world->frameCounter);
    std::string line = text;
    const int32_t highest = std::min<int32_t>(world->highestSlot, kObjectSlotCount - 1);
    for (int32_t i = 0; i <= highest; ++i) {
        const ObjectSlot& slot = world->slots[i];
        if (slot.typeId == 0)
            continue;
        std::snprintf(text, sizeof(text), " %d:%d@%d,%d", i, slot.typeId, slot.x, slot.y);
        line += text;
    }
    const UserRecord* user = CurrentUserRecord();
    std::snprintf(text, sizeof(text), " score %d", user != nullptr ? user->runningScore : 0);
    return line + text;
}
