// What the editor reads from files it does not control: "editor.cfg" with
// any byte in any field, and level file names as the catalogue may store
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/editor_config.h"
#include "editor/editor_state.h"

namespace {

// Every byte value in every field: what is read is usable as an index, and
// is written back made safe, the spare byte as it was.
TEST(EditorConfigFile, AnyByteInAnyFieldIsReadSafe) {
    std::vector<uint8_t> file;
    for (int v = 0; v < 256; ++v) {
        file.assign(kEditorConfigFileBytes, static_cast<uint8_t>(v));
        EditorConfig config{};
        ASSERT_TRUE(EditorConfigFromBytes(file.data(), file.size(), &config));
        std::vector<uint8_t> expected(kEditorConfigFileBytes, 0);
        for (size_t i = 0; i < kEditorConfigSlotOffset; i += 2)
            expected[i] = static_cast<uint8_t>(v); // codes modulo 256
        std::fill_n(expected.begin() + kEditorConfigSlotOffset, 4, v > 9 ? 0 : v);
        expected[kEditorConfigViewOffset] = static_cast<uint8_t>(v & 3);
        expected[kEditorConfigSpareOffset] = static_cast<uint8_t>(v);
        std::vector<uint8_t> back(kEditorConfigFileBytes);
        EditorConfigToBytes(config, back.data());
        EXPECT_EQ(back, expected) << "every byte " << v;
    }
}

// A short file keeps every field it reaches, made safe as a whole file's
// are; only the rest is zero. A code cut in half keeps its low byte.
TEST(EditorConfigFile, AShortFileKeepsWhatItHolds) {
    std::vector<uint8_t> file(kEditorConfigFileBytes);
    for (size_t i = 0; i < kEditorConfigSlotOffset; i += 2)
        file[i] = static_cast<uint8_t>(i / 2 + 1), file[i + 1] = 0x7F;
    const uint8_t tail[] = {3, 12, 9, 1, 6, 0xEE}; // slots, view flags, spare
    std::copy(std::begin(tail), std::end(tail), file.begin() + kEditorConfigSlotOffset);
    const struct {
        size_t size;
        uint16_t code39;
        uint16_t code0;
        uint8_t slots[4];
        uint8_t view;
    } rows[] = {
        {0, 0, 0, {0, 0, 0, 0}, 0},   {1, 0, 1, {0, 0, 0, 0}, 0},   {79, 40, 1, {0, 0, 0, 0}, 0},
        {82, 40, 1, {3, 0, 0, 0}, 0}, {85, 40, 1, {3, 0, 9, 1}, 2},
    };
    for (const auto& row : rows) {
        EditorConfig config{};
        EXPECT_FALSE(EditorConfigFromBytes(file.data(), row.size, &config));
        EXPECT_EQ(config.palette[0], row.code0) << row.size;
        EXPECT_EQ(config.palette[39], row.code39) << row.size;
        EXPECT_EQ(std::vector<uint8_t>(config.slot, config.slot + 4),
                  std::vector<uint8_t>(row.slots, row.slots + 4))
            << row.size;
        EXPECT_EQ(config.viewFlags, row.view) << row.size;
        EXPECT_EQ(config.spare, 0) << row.size;
    }
}

std::string Wide(const std::string& text) {
    std::string out;
    for (char c : text)
        out += std::string{c, '\0'};
    return out;
}

TEST(EditorSavePath, NarrowOrWideBytesGiveASlashSeparatedName) {
    const std::pair<std::string, std::string> kCases[] = {
        {"lev\\a.lvl", "lev/a.lvl"}, // no terminator
        {std::string("a.lvl\0junk", 10), "a.lvl"},
        {Wide("data\\levels\\b.lvl"), "data/levels/b.lvl"},
        {Wide(std::string("c.lvl\0x", 7)), "c.lvl"},
        {Wide("\xE9.lvl"), "\xC3\xA9.lvl"},
        {std::string("a\0b", 3), "ab"}, // wide, with an odd last byte
        {"", ""},
    };
    for (const auto& [bytes, path] : kCases)
        EXPECT_EQ(DecodeSavePath(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                  path);
}

} // namespace
