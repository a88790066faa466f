// An in-memory sound whose outside file grows between the sizing of its
// buffer and the read into it.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

#include "media/mmplay.h"
#include "tests/media/media_fixtures.h"

namespace {

// Appends a block to the file at its first measuring only.
void GrowOnce(const char* path) {
    SetExternalMeasureHook(nullptr);
    std::vector<uint8_t> more(65536, 0xA5);
    if (FILE* file = std::fopen(path, "ab")) {
        std::fwrite(more.data(), 1, more.size(), file);
        std::fclose(file);
    }
}

TEST(InMemorySound, AnOutsideFileGrownAfterSizingIsReadOnlyToTheBufferSize) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::vector<uint8_t> bytes(3000, 0x5A);
    ArchiveBuilder builder;
    builder.AddExternal(RES_TYPE_SOUND_IN_MEMORY, "grows.ogg", bytes);
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());
    MMplay player;
    ASSERT_EQ(player.Open(44100, AUDIO_S16LSB, 2, 4096, 4, disk.archive()), 0);
    SetExternalMeasureHook(GrowOnce);
    EXPECT_EQ(player.Play(-1, 0, 0, SOUND_IN_MEMORY, 0), MMPLAY_PRELOADED);
    SetExternalMeasureHook(nullptr);
    const MMsound* sound = player.GetSound(0);
    ASSERT_NE(sound, nullptr);
    ASSERT_EQ(sound->size, 3000);
    EXPECT_EQ(std::vector<uint8_t>(sound->bytes, sound->bytes + 3000), bytes);
    player.Close();
}

} // namespace
