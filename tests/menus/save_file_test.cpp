// "game.sav": its byte layout, files that are short, foreign or hostile, and
// the hiscore insertion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "menus/save_file.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SaveFile : public testing::Test {
protected:
    void TearDown() override { gSaveBlock = saved_; }
    // As the UI flow starts: the defaults, then `file` (none: no file) over them.
    Bytes Load(const Bytes& file) {
        std::remove("game.sav");
        if (!file.empty())
            std::ofstream("game.sav", std::ios::binary)
                .write(reinterpret_cast<const char*>(file.data()),
                       static_cast<std::streamsize>(file.size()));
        ResetSaveBlock(&gSaveBlock);
        ReadSaveBlockFile("game.sav");
        return game_run::ReadFileBytes("game.sav");
    }
    ScopedTempDir folder_;
    SaveBlock saved_ = gSaveBlock;
};

TEST_F(SaveFile, EachFieldAtItsFileOffsetBothWays) {
    SaveBlock& b = gSaveBlock;
    const struct {
        uint32_t fileOffset;
        int32_t* field;
        int32_t value;
    } planted[] = {{28, &b.users[0].runningScore, 1111},
                   {32, &b.users[0].levelScore[0], 21},
                   {60, &b.users[0].levelScore[7], 28},
                   {160, &b.users[0].effectsVolume, 64},
                   {164, &b.users[0].musicVolume, 32},
                   {168, &b.users[0].Difficulty, 2},
                   {172, &b.users[0].introSeen, 1},
                   {200, &b.users[1].runningScore, -2222},
                   {508, &b.users[2].musicVolume, 7},
                   {520, &b.currentUser, 2},
                   {548, &b.hiscores[0].score, -5},
                   {800, &b.hiscores[9].score, 99999},
                   {804, &b.newProfile, 1}};
    Bytes bytes(808, 0);
    PutU32LE(bytes.data(), 10);
    for (const auto& p : planted)
        PutI32LE(bytes.data() + p.fileOffset, p.value);
    const char16_t name[] = u"\u0444ab";
    for (uint32_t at : {4u, 348u, 524u + 4 * 28}) // users 0 and 2, hiscore 4
        for (int32_t i = 0; i < 3; ++i)
            PutU16LE(bytes.data() + at + 2 * i, name[i]);
    bytes[176 + 60 + 95] = 0xAB; // the last reserved byte of user 1

    EXPECT_EQ(Load(bytes), bytes); // a good file is left as it is
    for (const auto& p : planted)
        EXPECT_EQ(*p.field, p.value) << "offset " << p.fileOffset;
    EXPECT_EQ(std::u16string(b.users[0].name), name);
    EXPECT_EQ(std::u16string(b.users[2].name), name);
    EXPECT_EQ(std::u16string(b.hiscores[4].name), name);
    EXPECT_EQ(b.users[1].reserved[95], 0xAB);
    EXPECT_EQ(b.users[1].effectsVolume, 0); // zeros in the file are zeros

    // Written back byte for byte through the safe-save path.
    std::remove("game.sav");
    ASSERT_EQ(WriteSaveBlockFile("game.sav"), 0);
    EXPECT_EQ(game_run::ReadFileBytes("game.sav"), bytes);
    EXPECT_EQ(WriteSaveBlockFile("no/such/folder/game.sav"), 1);
}

TEST_F(SaveFile, HostileNamesAndIndexAreMadeSafe) {
    Bytes bytes(808, 0x41);
    PutU32LE(bytes.data(), 10);
    for (int32_t index : {7, -1, 3, 2}) {
        PutI32LE(bytes.data() + 520, index);
        Load(bytes);
        EXPECT_EQ(gSaveBlock.currentUser, index == 2 ? 2 : 0) << index;
    }
    for (const UserRecord& user : gSaveBlock.users)
        EXPECT_EQ(WStrLen(user.name), 11);
    for (const HiscoreEntry& entry : gSaveBlock.hiscores)
        EXPECT_EQ(WStrLen(entry.name), 11);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 0x41414141); // the rest as loaded
    // The hiscore rules read the names to their end, no further.
    gSaveBlock.users[2].runningScore = 0x7FFFFFFF;
    InsertHiscore();
    EXPECT_EQ(gSaveBlock.hiscores[0].score, 0x7FFFFFFF);
}

TEST_F(SaveFile, AShortFileReplacesOnlyItsPrefix) {
    Bytes bytes(100, 0);
    PutU32LE(bytes.data(), 10);
    PutU16LE(bytes.data() + 4, u'Q');
    PutI32LE(bytes.data() + 28, 555);
    bytes[99] = 0x5A; // reserved byte 35 of user 0
    EXPECT_EQ(Load(bytes), bytes);
    const UserRecord& user = gSaveBlock.users[0];
    EXPECT_EQ(std::u16string(user.name), u"Q");
    EXPECT_EQ(user.runningScore, 555);
    EXPECT_EQ(user.reserved[35], 0x5A);
    EXPECT_EQ(user.effectsVolume, 128);
    EXPECT_EQ(user.Difficulty, 1);
}

TEST_F(SaveFile, MissingTinyOrForeignFilesAreRewrittenFromTheDefaults) {
    Bytes foreign(808, 0x33), later(808, 0x33);
    PutU32LE(foreign.data(), 9);
    PutU32LE(later.data(), 11);
    for (const Bytes& file : {Bytes{}, Bytes{10, 0, 0}, foreign, later}) {
        const Bytes bytes = Load(file);
        ASSERT_EQ(bytes.size(), 808u);
        EXPECT_EQ(GetU32LE(bytes.data()), 10u);
        for (uint32_t user : {4u, 176u, 348u}) {
            EXPECT_EQ(GetI32LE(bytes.data() + user + 156), 128);
            EXPECT_EQ(GetI32LE(bytes.data() + user + 160), 128);
            EXPECT_EQ(GetI32LE(bytes.data() + user + 164), 1);
        }
        EXPECT_EQ(std::count(bytes.begin() + 524, bytes.end(), 0), 284); // empty hiscores
    }
}

// The table's first entries as "name:score" (the rest "x:1000"), the
// running score of the profile "me", and the first entries after.
TEST_F(SaveFile, InsertHiscore) {
    const struct {
        const char* table;
        int32_t score;
        const char* want;
    } cases[] = {
        {"a:100 b:50 c:50", 50, "a:100 b:50 c:50"},      // equal to the lowest
        {"a:100 b:50 c:50", 51, "a:100 me:51 c:50"},     // the first lowest goes
        {"me:500 b:50 c:60", 700, "me:700 b:50 c:60"},   // listed: raised only
        {"me:500 b:50 c:60", 300, "me:500 me:300 c:60"}, // listed higher: again
        {"me:900 me:100 c:60", 200, "me:900 me:200 c:60"},
        {"me:200 me:100 c:60", 200, "me:200 me:200 c:60"}, // an equal one: on
        {"Me:500 b:50 c:60", 700, "Me:500 me:700 c:60"},   // case differs
        {"a:-3 b:0 c:0", -1, "me:-1 b:0 c:0"},             // signed
    };
    auto entries = [](const char* first) {
        std::istringstream in(first);
        std::vector<std::string> all;
        for (std::string e; in >> e;)
            all.push_back(e);
        all.resize(SAVE_HISCORE_COUNT, "x:1000");
        return all;
    };
    for (const auto& c : cases) {
        ResetSaveBlock(&gSaveBlock);
        const std::vector<std::string> table = entries(c.table);
        for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i) {
            const size_t colon = table[i].find(':');
            std::copy(table[i].begin(), table[i].begin() + colon, gSaveBlock.hiscores[i].name);
            gSaveBlock.hiscores[i].score = std::stoi(table[i].substr(colon + 1));
        }
        gSaveBlock.currentUser = 1;
        std::u16string(u"me").copy(gSaveBlock.users[1].name, 2);
        gSaveBlock.users[1].runningScore = c.score;
        InsertHiscore();
        std::vector<std::string> got;
        for (const HiscoreEntry& e : gSaveBlock.hiscores)
            got.push_back(std::string(e.name, e.name + WStrLen(e.name)) + ":" +
                          std::to_string(e.score));
        EXPECT_EQ(got, entries(c.want)) << c.table << " + " << c.score;
    }
}

// A save of another version (one flipped bit is enough) is kept beside the
// new one before the defaults are written, and never over an older one;
// when it cannot be kept, it is not written over for the rest of the run.
TEST_F(SaveFile, AForeignSaveIsKeptBesideTheDefaultsOrLeftAlone) {
    Bytes foreign(808, 0x33), older(808, 0x44);
    PutU32LE(foreign.data(), 10 | 0x100);
    PutU32LE(older.data(), 9);
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetU32LE(Load(foreign).data()), 10u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "game.sav has version 266, not 10: it is kept as game.sav.bad and the defaults "
              "take its place\n");
    EXPECT_EQ(game_run::ReadFileBytes("game.sav.bad"), foreign);

    testing::internal::CaptureStdout();
    EXPECT_EQ(GetU32LE(Load(older).data()), 10u);
    const std::string said = testing::internal::GetCapturedStdout();
    const size_t at = said.find("game.sav.bad-");
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_EQ(game_run::ReadFileBytes(said.substr(at, 19).c_str()), older);
    EXPECT_EQ(game_run::ReadFileBytes("game.sav.bad"), foreign);

    // No name beside it can be made: a folder holds the ".bad" name and the
    // unique name would be too long for the file system.
    const std::string name(250, 's');
    const std::string bad = name + ".bad";
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(older.data()),
               static_cast<std::streamsize>(older.size()));
    ASSERT_EQ(mkdir(bad.c_str(), 0755), 0);
    testing::internal::CaptureStdout();
    ReadSaveBlockFile(name.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              name + " has version 9, not 10: it cannot be set aside (File name too long), so it "
                     "is left as it was and the defaults are not saved\n");
    // Nor by a score level's start or the menus leaving later in the run;
    // the first of them says so.
    testing::internal::CaptureStdout();
    EXPECT_EQ(WriteSaveBlockFile(name.c_str()), 1);
    EXPECT_EQ(WriteSaveBlockFile(name.c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot save " + name +
                  ": the game did not take the file there as its own; it is left as it was.\n");
    EXPECT_EQ(game_run::ReadFileBytes(name.c_str()), older);
}

} // namespace
