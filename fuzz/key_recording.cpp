// "dump/keys.bin" comes from outside. Quick part: replayed word by word,
// any bytes give game keys only; a whole word is the recorded word, and a
// short last word keeps the live word's high bytes. Whole part: the bytes
// are the recording that the real play task replays on a playable level of
// the sample world, in a fresh world each time, for up to a few hundred
// steps. Whatever the keys, every step's objects get the recorded word and
// nothing else of it, the player stays in the map unless it is leaving
// play, and a level end, a door or a comeback lands in a running level.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <SDL.h>

#include "engine/app.h"
#include "fuzz/quiet_stdout.h"
#include "engine/bytes.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "media/mmplay.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/dump_header.h"
#include "tools/sample/png_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/world_archive.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/objects.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kFirstLevel = 2; // the sample's first playable level
constexpr size_t kMostSteps = 256;
// Updates a run may take beyond its steps: loads, fades, level ends.
constexpr int32_t kSpareUpdates = 400;
// User messages of the host's own.
constexpr uint32_t kNewWorld = 0x7E;
constexpr uint32_t kDeleteWorld = 0x7F;
constexpr int32_t kCellPixels = 32;

// ---- the quick part -----------------------------------------------------------------

// The game-key bits, spelled out rather than taken from the game, so that a
// changed mask shows too.
constexpr uint32_t kGameKeyBits = 0x000FFFFFu;

// What replaying `count` recorded bytes over the live word must give, worked
// out as numbers rather than bytes: the recorded bytes are the low digits
// in base 256, the live word's higher digits stay, and only game keys pass.
uint32_t ExpectedWord(const uint8_t* bytes, size_t count, uint32_t live) {
    uint64_t recorded = 0;
    uint64_t scale = 1;
    for (size_t k = 0; k < count; ++k) {
        recorded += bytes[k] * scale;
        scale *= 256;
    }
    const uint64_t kept = live / scale * scale;
    return static_cast<uint32_t>(kept + recorded) & kGameKeyBits;
}

void CheckReplayedWords(const uint8_t* data, size_t size) {
    uint32_t live = 0xFFFFFFFFu;
    for (size_t at = 0; at < size; at += 4) {
        const size_t count = std::min<size_t>(4, size - at);
        const uint32_t word = ReplayedKeys(data + at, count, live);
        if ((word & ~kGameKeyBits) != 0 || word != ExpectedWord(data + at, count, live))
            __builtin_trap();
        live = ~live ^ word;
    }
    // Past the end of the recording the live word goes on, keys only.
    if (ReplayedKeys(data, 0, live) != ExpectedWord(data, 0, live))
        __builtin_trap();
}

// ---- the whole part -----------------------------------------------------------------

// One replay: the recording, and what the run has seen so far.
struct Run {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t steps = 0;      // simulation steps done, each one recorded word
    int32_t starts = 0;    // level starts
    bool ended = false;    // the level end reached the UI flow
    int32_t depth = 0;     // object handlers on the call stack
    int32_t resolving = 0; // inside the pair resolver
};
Run gRun;
ObjectHandlerFn gHandlers[256];

// The word the objects of step `step` must get: the recording's word, game
// keys only; none is pressed live, so a short word or the end of the file
// adds nothing.
uint32_t RecordedWord(size_t step) {
    const size_t at = 4 * step;
    const size_t count = at < gRun.size ? std::min<size_t>(4, gRun.size - at) : 0;
    uint8_t bytes[4] = {};
    std::copy(gRun.data + at, gRun.data + at + count, bytes);
    return GetU32LE(bytes) & GAME_KEY_MASK;
}

// Messages the step itself sends an object from the top: the creation and
// removal of the activation window, and the step's input word, which must
// be the recorded one. Events come from the pair rules or from handlers.
void SpyHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    const bool fromStep = gRun.data != nullptr && gRun.depth == 0 && gRun.resolving == 0 &&
                          world->playState == PLAY_STATE_PLAYING;
    const bool control = (message & GAME_KEY_MASK) == 0 && message >= OBJ_MSG_DETACH;
    if (fromStep && !control && message != RecordedWord(gRun.steps))
        __builtin_trap();
    ++gRun.depth;
    gHandlers[object->typeId](world, object, message);
    --gRun.depth;
}

void SpyResolver(GameWorld* world, ObjectSlot* first, ObjectSlot* second) {
    ++gRun.resolving;
    ResolveObjectPair(world, first, second);
    --gRun.resolving;
}

void InstallSpiedTypes(GameWorld* world) {
    RegisterObjectTypes(world);
    for (int32_t t = 1; t < 256; ++t) {
        gHandlers[t] = world->types[t].handler;
        if (gHandlers[t] != nullptr)
            world->types[t].handler = SpyHandler;
    }
}

ObjectSlot* FindPlayer(GameWorld* world) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, OBJT_PLAYER);
}

// A player in play stands inside the map; only one leaving play (hurt or
// knocked down, counting down to its comeback) may be outside it.
void CheckPlayer(GameWorld* world) {
    const ObjectSlot* player = FindPlayer(world);
    if (player == nullptr) {
        // The ending has no player.
        if (world->currentLevel >= kFirstLevel && world->currentLevel <= SAMPLE_LAST_LEVEL)
            __builtin_trap();
        return;
    }
    const PlayerState* p = player->LogicAs<PlayerState>();
    if (p->leaveCounter >= 0)
        return;
    int32_t width = 0, height = 0;
    for (const TileRunLayer& layer : world->map.layers) {
        width = std::max<int32_t>(width, layer.width * kCellPixels);
        height = std::max<int32_t>(height, layer.rows * kCellPixels);
    }
    if (player->x < 0 || player->x >= width || player->y >= height)
        __builtin_trap();
}

void Trace(GameWorld* world, int32_t event) {
    if (event == WORLD_TRACE_LEVEL_START) {
        SetRandomState(kInitialRandomState);
        SetCrtRandState(1);
        ++gRun.starts;
        return;
    }
    if (gRun.data == nullptr)
        return;
    CheckPlayer(world);
    ++gRun.steps;
}

// The play task, with a world of its own for each run only: everything a
// run allocates is freed by its end, so a leak shows.
void PlayHost(TaskRec* task, uint32_t message) {
    if (message == (TASK_MSG_USER | kNewWorld))
        PlayTaskHandler(task, TASK_MSG_ENTER);
    else if (message == (TASK_MSG_USER | kDeleteWorld))
        PlayTaskHandler(task, TASK_MSG_LEAVE);
    else
        PlayTaskHandler(task, message);
}

// In place of the UI flow: notes the level end, which would show the tally.
void Driver(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
    } else if (message == (TASK_MSG_USER | UI_MSG_LEVEL_END)) {
        gRun.ended = true;
    }
}

GameWorld* PlayWorld() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

void WriteGameFiles() {
    WorldArchiveSpec world = MakeSampleWorld();
    // No key reaches the backgrounds, and decoding a screen-sized one would
    // take half of every run: small ones stand in.
    for (WorldLevelSpec& level : world.levels)
        level.background = WritePng(MakeTestPicture(PngColour::Rgb, 8, 64, 48, 5));
    CatalogueBuilder catalogue = MakeSampleCatalogue(world);
    // The frame dumps' header alone, which the game pads to a screen: the
    // shipped entry is a whole screen to decompress at every replay start.
    catalogue.SetFixed(kDumpHeaderEntry, PlainEntry(0, WriteDumpHeader()));
    ArchiveBuilder archive = catalogue.ToArchive();
    AppendWorldEntries(&archive, world);
    std::filesystem::create_directories("res");
    std::filesystem::create_directories("dump");
    if (!archive.WriteToFile("res/base.res"))
        std::abort();
    GameConfig config{};
    SetDefaultConfig(&config);
    config.fullscreen = 0;
    config.rendererKind = RENDERER_D3D9;
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(config, bytes);
    if (WriteDataFile("game.cfg", bytes, sizeof(bytes)) != 0)
        std::abort();
}

// An update of every task that draws nothing: the world's last step counts
// as drawn, its draw is skipped as the UI flow skips it behind a menu, and
// the application task, which only presents the screen and reads events
// (there are none), sits it out.
void RunQuietUpdate(GameWorld* world) {
    TaskRec& app = gTaskStack->slots[0];
    world->drawStage = DRAW_STAGE_DONE;
    world->runFlags |= WORLD_NO_DRAW;
    app.flags &= ~TASK_FLAG_UPDATE_BELOW;
    RunTasks();
    app.flags |= TASK_FLAG_UPDATE_BELOW;
    world->runFlags &= static_cast<uint8_t>(~WORLD_NO_DRAW);
}

bool WriteRecording(const uint8_t* data, size_t size) {
    FILE* file = std::fopen("dump/keys.bin", "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// The game's own folder holds only while it runs: the fuzzer resolves its
// corpus and artifacts from the folder it started in.
int gStart = -1;
int gFolder = -1;

class InFolder {
public:
    InFolder() {
        if (fchdir(gFolder) != 0)
            std::abort();
    }
    ~InFolder() {
        if (fchdir(gStart) != 0)
            std::abort();
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
};

// A crash leaves the game's folder current, so a reproducer would land in
// it: unless told otherwise, the fuzzer writes them where it started.
void KeepArtifactsHere(int* argc, char*** argv) {
    static std::vector<std::string> strings;
    static std::vector<char*> arguments;
    for (int i = 0; i < *argc; ++i) {
        const std::string a = (*argv)[i];
        if (a.rfind("-artifact_prefix=", 0) == 0 || a.rfind("-exact_artifact_path=", 0) == 0)
            return;
    }
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error)
        return;
    strings.push_back("-artifact_prefix=" + (here / "").string());
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(strings.back().data());
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    gStart = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (gStart < 0)
        std::abort();
    KeepArtifactsHere(argc, argv);
    SilenceDiagnostics();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Everything the game writes (game.sav, the recording) stays in here;
    // the folder goes at exit.
    static ScopedTempDir folder;
    gFolder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (gFolder < 0)
        std::abort();
    WriteGameFiles();
    static ScriptedPlatform platform;
    SetPlatform(&platform);
    gAppTasks = {{PlayHost, Driver, gDefaultAppTasks.handlers[2]}};
    SetObjectTypeInstaller(InstallSpiedTypes);
    SetObjectPairResolver(SpyResolver);
    SetWorldTraceHook(Trace);
    ParseCommandLine(nullptr);
    gConfig.editorEnabled = 0;
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) < 0)
        std::abort();
    CreateTaskStack();
    PushTask(AppTaskHandler, 0, 0);
    if (GetTaskCount() != 3 || PlayWorld() == nullptr)
        std::abort();
    BroadcastTaskMessage(TASK_TAG_PLAY, kDeleteWorld, 0);
    gAppActive = 1;
    gAppWasActive = 1;
    if (fchdir(gStart) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReplayedWords(data, size);
    InFolder inFolder;
    if (!WriteRecording(data, size))
        std::abort();

    // A fresh world, the first user at the middle option, no key held.
    gRun = Run{};
    gSaveBlock = SaveBlock{};
    gSaveBlock.users[0].Difficulty = 1;
    ClearGameKeys();
    BroadcastTaskMessage(TASK_TAG_PLAY, kNewWorld, 0);
    GameWorld* world = PlayWorld();
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS,
                         DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY);
    // The recording's length picks the playable level it starts on, so that
    // in-place changes keep it: the chase's door back and its stream's
    // finale, and the last level's door, lie within a few hundred steps.
    const size_t words = (size + 3) / 4;
    RequestLevelChange(world, kFirstLevel + static_cast<int32_t>(words % 3), 0);
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    gRun.data = data;
    gRun.size = size;

    // Every word, a short last one too, and a step past the end.
    const size_t steps = std::min(words + 1, kMostSteps);
    const int32_t mostUpdates = static_cast<int32_t>(steps) + kSpareUpdates;
    int32_t updates = 0;
    for (; gRun.steps < steps && !gRun.ended; ++updates) {
        // The UI flow would take over at the game's end.
        if (world->playState == PLAY_STATE_LEVEL_END &&
            (world->gameFlags & GAME_FLAG_COMPLETED) != 0)
            break;
        // Loads, fades and a level change each take a bounded number of updates.
        if (updates > mostUpdates)
            __builtin_trap();
        RunQuietUpdate(world);
        if (GetTaskCount() < 3)
            __builtin_trap();
    }
    if (gRun.starts == 0)
        __builtin_trap();
    // The last frame as a player would see it.
    RunTasks();
    // A level change under way finishes its load before the world goes.
    for (int32_t settle = 0; GetTaskCount() > 3; ++settle) {
        if (settle > kSpareUpdates)
            __builtin_trap();
        RunQuietUpdate(world);
    }
    // As at the game's end: the world goes, then every sound.
    BroadcastTaskMessage(TASK_TAG_PLAY, kDeleteWorld, 0);
    gMMplay.Stop(-1);
    gRun.data = nullptr;
    return 0;
}
