// "editor.cfg": its 86 bytes field by field, hostile values made safe on
// reading, and the file as the editor task reads it when it starts and
// writes it when it leaves.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <vector>

#include "editor/editor_config.h"
#include "editor/editor_state.h"
#include "editor/editor_task.h"
#include "engine/bytes.h"
#include "engine/task_stack.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"

namespace {

std::vector<uint8_t> ConfigBytes(const EditorConfig& config) {
    std::vector<uint8_t> bytes(kEditorConfigFileBytes);
    EditorConfigToBytes(config, bytes.data());
    return bytes;
}

TEST(EditorConfigFile, FieldsSitAtTheirOffsetsLittleEndian) {
    EditorConfig config{};
    config.palette[0] = 0x0102;
    config.palette[39] = 0x00FE;
    config.slot[0] = 4;
    config.slot[3] = 9;
    config.viewFlags = 2;
    config.spare = 0xA5;
    const std::vector<uint8_t> bytes = ConfigBytes(config);
    EXPECT_EQ(bytes[0], 0x02);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[78], 0xFE);
    EXPECT_EQ(bytes[79], 0x00);
    EXPECT_EQ(bytes[80], 4);
    EXPECT_EQ(bytes[83], 9);
    EXPECT_EQ(bytes[84], 2);
    EXPECT_EQ(bytes[85], 0xA5);
    // Read back, the one code above 255 is taken modulo 256.
    EditorConfig back{};
    ASSERT_TRUE(EditorConfigFromBytes(bytes.data(), bytes.size(), &back));
    std::vector<uint8_t> expected = bytes;
    expected[1] = 0;
    EXPECT_EQ(ConfigBytes(back), expected);
}

// Every byte value in each field: the result is always usable as an index.
TEST(EditorConfigFile, HostileValuesBecomeSafe) {
    for (int value = 0; value < 256; ++value) {
        std::vector<uint8_t> bytes(kEditorConfigFileBytes, static_cast<uint8_t>(value));
        EditorConfig config{};
        ASSERT_TRUE(EditorConfigFromBytes(bytes.data(), bytes.size(), &config));
        for (uint16_t code : config.palette)
            EXPECT_EQ(code, value) << "0x" << std::hex << value * 0x101 << " is used modulo 256";
        for (uint8_t slot : config.slot)
            EXPECT_EQ(slot, value > 9 ? 0 : value);
        EXPECT_EQ(config.viewFlags, value & 3);
        EXPECT_EQ(config.spare, value) << "the spare byte is kept as read";
    }
}

TEST(EditorConfigFile, TooFewBytesGiveTheEmptyBrushBar) {
    std::vector<uint8_t> bytes(kEditorConfigFileBytes - 1, 3);
    EditorConfig config{};
    config.slot[1] = 5;
    EXPECT_FALSE(EditorConfigFromBytes(bytes.data(), bytes.size(), &config));
    EXPECT_EQ(ConfigBytes(config), std::vector<uint8_t>(kEditorConfigFileBytes, 0));
}

// The editor reads the file when it starts and writes it back when it
// leaves; what it could not use is made safe, the spare byte survives.
TEST(EditorConfigFile, TheEditorReadsItAtTheStartAndWritesItAtTheEnd) {
    ScopedTempDir folder;
    std::vector<uint8_t> hostile(kEditorConfigFileBytes, 0);
    PutU16LE(hostile.data() + 2 * 12, 0x1234); // layer 1, slot 2
    hostile[80] = 200;
    hostile[81] = 7;
    hostile[84] = 0xFE;
    hostile[85] = 0x5C;
    std::ofstream(kEditorConfigPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(hostile.data()), hostile.size());

    CreateTaskStack();
    PushTask(EditorTaskHandler, 0, 0);
    uint16_t cursor = 0;
    auto* state = FindTaskByTag(TASK_TAG_EDITOR, &cursor)->StateAs<EditorState>();
    EXPECT_EQ(state->config.palette[12], 0x34);
    EXPECT_EQ(state->config.slot[0], 0);
    EXPECT_EQ(state->config.slot[1], 7);
    EXPECT_EQ(state->config.viewFlags, 2);
    state->config.slot[2] = 9;
    PopAllTasks();
    DestroyTaskStack();

    std::vector<uint8_t> expected(kEditorConfigFileBytes, 0);
    expected[24] = 0x34;
    expected[81] = 7;
    expected[82] = 9;
    expected[84] = 2;
    expected[85] = 0x5C;
    EXPECT_EQ(game_run::ReadFileBytes(kEditorConfigPath), expected);
}

// The level file's name as the catalogue may store it.
struct PathCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string path;
};

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}
std::vector<uint8_t> Wide(const std::string& text) {
    std::vector<uint8_t> out;
    for (char c : text) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

class SavePath : public testing::TestWithParam<PathCase> {};

TEST_P(SavePath, DecodesToASlashSeparatedName) {
    const PathCase& c = GetParam();
    EXPECT_EQ(DecodeSavePath(c.bytes.data(), c.bytes.size()), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, SavePath,
    testing::Values(PathCase{"narrow_without_terminator", Bytes("lev\\a.lvl"), "lev/a.lvl"},
                    PathCase{"narrow_with_terminator", Bytes(std::string("a.lvl\0junk", 10)), "a.lvl"},
                    PathCase{"wide", Wide("data\\levels\\b.lvl"), "data/levels/b.lvl"},
                    PathCase{"wide_with_terminator", Wide(std::string("c.lvl\0x", 7)), "c.lvl"},
                    PathCase{"wide_latin1", Wide("\xE9.lvl"), "\xC3\xA9.lvl"},
                    PathCase{"one_byte", Bytes("x"), "x"},
                    PathCase{"empty", {}, ""},
                    PathCase{"odd_length_wide", {'a', 0, 'b'}, "ab"}),
    [](const testing::TestParamInfo<PathCase>& info) { return info.param.name; });

} // namespace
