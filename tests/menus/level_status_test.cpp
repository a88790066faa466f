#include <gtest/gtest.h>

#include "engine/config.h"
#include "menus/level_status.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/scripted_platform.h"
#include "ui/text.h"
#include "world/game_world.h"

namespace {

LevelStatusRecord Record(uint16_t countA, uint16_t gotA, uint16_t countB, uint16_t gotB,
                         int32_t base, int32_t penalty, int32_t hits = 0) {
    LevelStatusRecord record{};
    record.countA = countA;
    record.gotA = gotA;
    record.countB = countB;
    record.gotB = gotB;
    record.basePoints = base;
    record.penalty = penalty;
    record.hits = hits;
    return record;
}

TEST(LevelTally, Arithmetic) {
    const struct {
        const char* name;
        LevelStatusRecord record;
        int64_t percentA, bonusA, percentB, bonusB, cut, total, result;
    } rows[] = {
        {"all A, half B, penalty", Record(10, 10, 10, 5, 1000, 500), 100, 1000, 50, 500, 500, 2000,
         1000},
        {"49 % earns nothing", Record(100, 49, 100, 49, 1000, 0), 49, 0, 49, 0, 0, 1000, 0},
        {"50 % earns 20 % and 50 %", Record(2, 1, 2, 1, 1000, 0), 50, 200, 50, 500, 0, 1700, 700},
        {"penalty above the sum", Record(10, 10, 10, 5, 1000, 99999), 100, 1000, 50, 500, 2500, 0,
         -1000},
        {"no collectables", Record(0, 5, 0, 7, 1000, 0), 0, 0, 0, 0, 0, 1000, 0},
        // 100 x the base overflows 32 bits on the way.
        {"huge base", Record(4, 4, 2, 1, 30000000, 0), 100, 30000000, 50, 15000000, 0, 75000000,
         45000000},
    };
    for (const auto& row : rows) {
        TallyFigures f = ComputeTally(row.record);
        EXPECT_EQ(f.percentA, row.percentA) << row.name;
        EXPECT_EQ(f.bonusA, row.bonusA) << row.name;
        EXPECT_EQ(f.percentB, row.percentB) << row.name;
        EXPECT_EQ(f.bonusB, row.bonusB) << row.name;
        EXPECT_EQ(f.cut, row.cut) << row.name;
        EXPECT_EQ(f.total, row.total) << row.name;
        EXPECT_EQ(f.result, row.result) << row.name;
    }
}

class LevelTallyDialog : public ::testing::Test {
protected:
    static CatalogueBuilder Catalogue() {
        CatalogueBuilder catalogue = MakeMenuCatalogue();
        std::u16string labels;
        for (int line = 0; line < 10; ++line)
            labels += u"label\r";
        SetTextItems(&catalogue, TALLY_TEXT_GROUP,
                     {u"Level done", u"OK", labels, u"%d|%d|%d|%d|%d|%d|%d|%d%%"});
        return catalogue;
    }
    std::u16string Values() const { return tally_.values->GetText(); }
    void Run(int32_t updates) {
        for (int32_t i = 0; i < updates; ++i)
            EXPECT_EQ(tally_.Update(), CONTROL_RESULT_KEEP);
    }

    GameConfig savedConfig_ = gConfig;
    bool configured_ = SetDefaultConfig(&gConfig) == 0;
    MenuArchive archive_{Catalogue()};
    ScriptedPlatform platform_;
    ScopedPlatform scoped_{&platform_};
    LevelStatusRecord record_ = Record(10, 10, 10, 5, 1000, 500, 3);
    CLevelStatus tally_{&record_};

    ~LevelTallyDialog() override { gConfig = savedConfig_; }
};

TEST_F(LevelTallyDialog, CountsUpLineByLineAndWritesTheResultAtOnce) {
    ASSERT_TRUE(archive_.ok());
    Run(1);
    EXPECT_EQ(record_.resultPoints, 1000);
    EXPECT_EQ(Values(), u"0|0|0|0|0|0|0|0%");
    Run(16); // the base counted to 48 %
    EXPECT_EQ(Values(), u"480|0|0|0|0|0|0|0%");
    Run(33 - 17);
    EXPECT_EQ(tally_.phase, 0);
    Run(1); // each line takes 34 frames
    EXPECT_EQ(tally_.phase, 1);
    // The new line shows at the old line's last progress for one frame.
    EXPECT_EQ(Values(), u"1000|99|0|0|0|0|0|0%");
    Run(1);
    EXPECT_EQ(Values(), u"1000|0|0|0|0|0|0|0%");
    Run(34 * 9 - 2);
    EXPECT_EQ(tally_.phase, 9);
    Run(1);
    EXPECT_EQ(tally_.phase, TALLY_LAST_PHASE);
    EXPECT_EQ(Values(), u"1000|100|1000|50|500|3|-500|2000%");
    Run(100);
    EXPECT_EQ(tally_.phase, TALLY_LAST_PHASE);
}

TEST_F(LevelTallyDialog, AKeyShowsEverythingAndTheNextClosesWithTheClick) {
    ASSERT_TRUE(archive_.ok());
    GetResource(&gResourceCatalogue, 48, 0);
    SoundRecorder sounds;
    Run(34 * 3 + 5);
    ASSERT_EQ(tally_.phase, 3);
    platform_.SetKey('a', true);
    EXPECT_EQ(tally_.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(tally_.phase, TALLY_LAST_PHASE);
    Run(1);
    EXPECT_EQ(Values(), u"1000|100|1000|50|500|3|-500|2000%");
    platform_.SetKey('a', false);
    Run(1);
    EXPECT_EQ(sounds.CountOf(48), 0);
    platform_.SetKey(KEY_RETURN, true);
    EXPECT_EQ(tally_.Update(), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(sounds.CountOf(48), 1);
    EXPECT_EQ(record_.resultPoints, 1000);
}

} // namespace
