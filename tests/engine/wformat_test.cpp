#include <gtest/gtest.h>

#include "engine/wformat.h"

namespace {

TEST(WFormat, ConversionsAndWidths) {
    EXPECT_EQ(WFormat(u"%d points", {42}), u"42 points");
    EXPECT_EQ(WFormat(u"%i|%u|%x|%X", {-7, 7u, 255, 255}), u"-7|7|ff|FF");
    EXPECT_EQ(WFormat(u"[%5d][%-5d][%05d]", {42, 42, -42}), u"[   42][42   ][-0042]");
    EXPECT_EQ(WFormat(u"%s and %c", {u"Anna", 0x416}), u"Anna and \u0416");
    EXPECT_EQ(WFormat(u"100%%", {}), u"100%");
    EXPECT_EQ(WFormat(u"%u", {-1}), u"4294967295");
}

TEST(WFormat, ConversionsWithoutArgumentsArePrintedLiterally) {
    EXPECT_EQ(WFormat(u"%d of %d", {3}), u"3 of %d");
    EXPECT_EQ(WFormat(u"%s", {}), u"%s");
    EXPECT_EQ(WFormat(u"%d", {u"text"}), u"%d");
    EXPECT_EQ(WFormat(u"odd %q %", {1}), u"odd %q %");
    EXPECT_EQ(WFormat(nullptr, {1}), u"");
}

TEST(WFormat, HugeWidthsAreBounded) {
    std::u16string out = WFormat(u"%999999999d", {1});
    EXPECT_LE(out.size(), 10000u);
}

} // namespace
