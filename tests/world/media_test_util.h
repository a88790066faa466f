// Shared by the media-set and sound-channel tests: a generated archive
// opened as the game's own (with its catalogue and the sound player when
// asked), a fresh world, and small pictures and sounds.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "media/mmplay.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/ogg_media_writer.h"
#include "tools/sample/png_writer.h"
#include "tests/support/temp_dir.h"
#include "world/game_world.h"

namespace media_test {

// The folder the program started in: the tests enter folders of their own,
// and a death test's child enters another one than its parent.
inline std::string CurrentFolder() {
    char path[PATH_MAX];
    return getcwd(path, sizeof(path)) != nullptr ? std::string(path) : std::string(".");
}
inline const std::string kLaunchFolder = CurrentFolder();

inline std::vector<std::string>& LiveTempFolders() {
    static std::vector<std::string> folders;
    return folders;
}

// A death test's child never runs its destructors: it removes its folders
// before it dies (the archive stays readable through its open descriptor).
inline void RemoveTempFoldersNow() {
    std::error_code ignored;
    for (const std::string& folder : LiveTempFolders())
        std::filesystem::remove_all(folder, ignored);
}

// 50 ms of stereo tone, Ogg Vorbis.
inline const std::vector<uint8_t>& ShortSound() {
    static const std::vector<uint8_t> bytes =
        WriteOggVorbis(MakeTone(2, 44100, 2205, 440.0, 8000.0));
    return bytes;
}

// Two seconds: still playing whenever a test looks.
inline const std::vector<uint8_t>& LongSound() {
    static const std::vector<uint8_t> bytes =
        WriteOggVorbis(MakeTone(2, 44100, 88200, 330.0, 8000.0));
    return bytes;
}

inline std::vector<uint8_t> SmallPng(uint32_t side, uint32_t seed) {
    return WritePng(MakeTestPicture(PngColour::Rgba, 8, side, side, seed));
}

// The archive written into a fresh folder and opened as gResourceArchive;
// everything global is closed again when the scope ends.
class GameArchive {
public:
    GameArchive() { LiveTempFolders().push_back(dir_.path()); }
    ~GameArchive() {
        Close();
        auto& live = LiveTempFolders();
        live.erase(std::remove(live.begin(), live.end(), dir_.path()), live.end());
    }
    GameArchive(const GameArchive&) = delete;
    GameArchive& operator=(const GameArchive&) = delete;

    bool Open(const ArchiveBuilder& builder, bool catalogue, bool player) {
        if (!builder.WriteToFile("base.res") || OpenArchive(&gResourceArchive, "base.res") != 1)
            return false;
        archiveOpen_ = true;
        if (catalogue) {
            BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache,
                                   &frames_, CATALOGUE_ROOT_ENTRY);
            catalogueBuilt_ = true;
        }
        if (player) {
            if (gMMplay.Open(44100, AUDIO_S16LSB, 2, 1024, 16, &gResourceArchive) != 0)
                return false;
            playerOpen_ = true;
        }
        return true;
    }

    void Close() {
        if (playerOpen_)
            gMMplay.Close();
        if (catalogueBuilt_) {
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
        }
        if (archiveOpen_)
            CloseArchive(&gResourceArchive);
        playerOpen_ = catalogueBuilt_ = archiveOpen_ = false;
    }

private:
    ScopedTempDir dir_;
    uint32_t frames_ = 0;
    bool archiveOpen_ = false;
    bool catalogueBuilt_ = false;
    bool playerOpen_ = false;
};

struct WorldDeleter {
    void operator()(GameWorld* world) const {
        FreeMediaSets(world);
        DeleteGameWorld(world);
    }
};
using WorldPtr = std::unique_ptr<GameWorld, WorldDeleter>;

inline WorldPtr MakeWorld() {
    WorldPtr world(NewGameWorld());
    ResetMediaSets(world.get());
    ResetSoundSlots(world.get());
    world->mediaSetsUsed = -1;
    world->mediaPart = 1;
    return world;
}

} // namespace media_test

// Runs `statement` in a child process; expects exit code 1 and exactly
// `expected` on its standard output.
#define EXPECT_MEDIA_FATAL(statement, expected)                                                    \
    do {                                                                                           \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                            \
        const std::string outPath_ = media_test::kLaunchFolder + "/" + TestFilePath(".stdout");    \
        std::remove(outPath_.c_str());                                                             \
        EXPECT_EXIT(                                                                               \
            {                                                                                      \
                media_test::RemoveTempFoldersNow();                                                \
                RedirectStdoutTo(outPath_);                                                        \
                statement;                                                                         \
            },                                                                                     \
            testing::ExitedWithCode(1), "");                                                       \
        EXPECT_EQ(ReadTextFile(outPath_), expected);                                               \
        std::remove(outPath_.c_str());                                                             \
    } while (0)
