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
    EditorConfig config{};
    config.slot[1] = 5;
    EXPECT_FALSE(EditorConfigFromBytes(file.data(), file.size() - 1, &config));
    EXPECT_EQ(config.slot[1], 0) << "a short file gives the empty brush bar";
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
