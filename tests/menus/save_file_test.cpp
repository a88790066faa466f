// "game.sav": its byte layout, files that are short, foreign or hostile, and
// the hiscore insertion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "menus/save_file.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<uint8_t> ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void SetName(char16_t (&name)[SAVE_NAME_UNITS], const std::u16string& text) {
    std::memset(name, 0, sizeof(name));
    std::copy(text.begin(), text.end(), name);
}

class SaveFile : public testing::Test {
protected:
    void SetUp() override { saved_ = gSaveBlock; }
    void TearDown() override { gSaveBlock = saved_; }
    // As the UI flow starts: the defaults, then the file over them.
    void Load() {
        ResetSaveBlock(&gSaveBlock);
        ReadSaveBlockFile("game.sav");
    }
    ScopedTempDir folder_;
    SaveBlock saved_;
};

// A field of the block and where the file holds it.
struct Planted {
    uint32_t fileOffset;
    int32_t* field;
    int32_t value;
};

TEST_F(SaveFile, EachFieldAtItsFileOffsetBothWays) {
    SaveBlock& b = gSaveBlock;
    const Planted planted[] = {{28, &b.users[0].runningScore, 1111},
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
    std::vector<uint8_t> bytes(808, 0);
    PutU32LE(bytes.data(), 10);
    for (const Planted& p : planted)
        PutI32LE(bytes.data() + p.fileOffset, p.value);
    const char16_t name[] = u"\u0444ab";
    for (int32_t i = 0; i < 3; ++i) {
        PutU16LE(bytes.data() + 4 + 2 * i, name[i]);         // user 0
        PutU16LE(bytes.data() + 348 + 2 * i, name[i]);       // user 2
        PutU16LE(bytes.data() + 524 + 112 + 2 * i, name[i]); // hiscore 4
    }
    bytes[176 + 60 + 95] = 0xAB; // the last reserved byte of user 1
    WriteBytes("game.sav", bytes);

    Load();
    for (const Planted& p : planted)
        EXPECT_EQ(*p.field, p.value) << "offset " << p.fileOffset;
    EXPECT_EQ(std::u16string(b.users[0].name), name);
    EXPECT_EQ(std::u16string(b.users[2].name), name);
    EXPECT_EQ(std::u16string(b.hiscores[4].name), name);
    EXPECT_EQ(b.users[1].reserved[95], 0xAB);
    // Zeros in the file are zeros: nothing comes from the defaults.
    EXPECT_EQ(b.users[1].effectsVolume, 0);

    // Written back byte for byte through the safe-save path.
    ASSERT_EQ(WriteSaveBlockFile("game.sav"), 0);
    EXPECT_EQ(ReadBytes("game.sav"), bytes);
    EXPECT_EQ(WriteSaveBlockFile("no/such/folder/game.sav"), 1);
}

TEST_F(SaveFile, HostileNamesAndIndexAreMadeSafe) {
    std::vector<uint8_t> bytes(808, 0x41);
    PutU32LE(bytes.data(), 10);
    for (int32_t index : {7, -1, 3, 2}) {
        PutI32LE(bytes.data() + 520, index);
        WriteBytes("game.sav", bytes);
        Load();
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
    std::vector<uint8_t> bytes(100, 0);
    PutU32LE(bytes.data(), 10);
    PutU16LE(bytes.data() + 4, u'Q');
    PutI32LE(bytes.data() + 28, 555);
    bytes[99] = 0x5A; // reserved byte 35 of user 0
    WriteBytes("game.sav", bytes);
    Load();
    const UserRecord& user = gSaveBlock.users[0];
    EXPECT_EQ(std::u16string(user.name), u"Q");
    EXPECT_EQ(user.runningScore, 555);
    EXPECT_EQ(user.reserved[35], 0x5A);
    EXPECT_EQ(user.effectsVolume, 128);
    EXPECT_EQ(user.Difficulty, 1);
    EXPECT_EQ(ReadBytes("game.sav"), bytes); // left as it is
}

TEST_F(SaveFile, MissingTinyOrForeignFilesAreRewrittenFromTheDefaults) {
    std::vector<uint8_t> foreign(808, 0x33), later(808, 0x33);
    PutU32LE(foreign.data(), 9);
    PutU32LE(later.data(), 11);
    const std::vector<uint8_t> cases[] = {{}, {10, 0, 0}, foreign, later};
    for (bool present : {false, true}) {
        for (const std::vector<uint8_t>& file : cases) {
            std::remove("game.sav");
            if (present)
                WriteBytes("game.sav", file);
            Load();
            const std::vector<uint8_t> bytes = ReadBytes("game.sav");
            ASSERT_EQ(bytes.size(), 808u);
            EXPECT_EQ(GetU32LE(bytes.data()), 10u);
            for (uint32_t user : {4u, 176u, 348u}) {
                EXPECT_EQ(GetI32LE(bytes.data() + user + 156), 128);
                EXPECT_EQ(GetI32LE(bytes.data() + user + 160), 128);
                EXPECT_EQ(GetI32LE(bytes.data() + user + 164), 1);
            }
            EXPECT_EQ(std::count(bytes.begin() + 524, bytes.end(), 0), 284); // empty hiscores
            EXPECT_EQ(gSaveBlock.users[1].musicVolume, 128);
            if (!present)
                break;
        }
    }
}

// ---- the hiscore table ---------------------------------------------------------------

// The first entries of the table ("name:score"; the rest "x:1000"), the
// profile's name and running score, and the first entries after.
struct InsertCase {
    const char *name, *table, *user;
    int32_t score;
    const char* want;
};

void PrintTo(const InsertCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const InsertCase kInsertCases[] = {
    {"equal to the lowest: nothing",       "a:100 b:50 c:50", "me", 50,  "a:100 b:50 c:50"},
    {"above the lowest: the first lowest", "a:100 b:50 c:50", "me", 51,  "a:100 me:51 c:50"},
    {"listed: raised, nothing else",       "me:500 b:50 c:60", "me", 700, "me:700 b:50 c:60"},
    {"listed higher: a second entry",      "me:500 b:50 c:60", "me", 300, "me:500 me:300 c:60"},
    {"the lower of two same names",        "me:900 me:100 c:60", "me", 200, "me:900 me:200 c:60"},
    {"case differs: another name",         "Me:500 b:50 c:60", "me", 700, "Me:500 me:700 c:60"},
    {"signed comparisons",                 "a:-3 b:0 c:0", "me", -1, "me:-1 b:0 c:0"},
};
// clang-format on

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// The table as "name:score" words, ten of them.
std::vector<std::string> Entries(const char* first) {
    std::istringstream in(first);
    std::vector<std::string> entries;
    for (std::string e; in >> e;)
        entries.push_back(e);
    entries.resize(SAVE_HISCORE_COUNT, "x:1000");
    return entries;
}

class InsertHiscoreTable : public SaveFile, public testing::WithParamInterface<InsertCase> {};

TEST_P(InsertHiscoreTable, Case) {
    const InsertCase& c = GetParam();
    ResetSaveBlock(&gSaveBlock);
    const std::vector<std::string> table = Entries(c.table), want = Entries(c.want);
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i) {
        SetName(gSaveBlock.hiscores[i].name, Wide(table[i].substr(0, table[i].find(':'))));
        gSaveBlock.hiscores[i].score = std::stoi(table[i].substr(table[i].find(':') + 1));
    }
    gSaveBlock.currentUser = 1;
    SetName(gSaveBlock.users[1].name, Wide(c.user));
    gSaveBlock.users[1].runningScore = c.score;
    InsertHiscore();
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i) {
        const std::u16string name(gSaveBlock.hiscores[i].name);
        EXPECT_EQ(std::string(name.begin(), name.end()) + ":" +
                      std::to_string(gSaveBlock.hiscores[i].score),
                  want[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, InsertHiscoreTable, testing::ValuesIn(kInsertCases));

} // namespace
