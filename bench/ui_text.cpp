// The toolkit's hot paths: a long tagged page built, laid out, fed input
// and drawn every frame; the status overlay's four lines re-texted every
// frame; a control tree with one leaf per glyph.
#include <benchmark/benchmark.h>

#include <string>

#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/control.h"
#include "ui/text.h"

namespace {

// About `length` units of text (4,400 make some 3,000 glyphs) with a tag every few words,
// paragraphs and font changes, as the text pages use them.
std::u16string TaggedPage(size_t length) {
    static const char16_t* const pieces[] = {u"The quick brown fox jumps over the lazy dog. ",
                                             u"<Font+1>Title<Font-1> ",
                                             u"<PosY+2>raised<PosY+0> words, ",
                                             u"\r<AlCenter+0>A centred line\r",
                                             u"<AlLeft+20>Indented: ",
                                             u"numbers 0123456789! "};
    std::u16string page;
    for (size_t i = 0; page.size() < length; ++i)
        page += pieces[i % (sizeof(pieces) / sizeof(pieces[0]))];
    page.resize(length);
    return page;
}

void PreparePage(CText& text, const std::u16string& page) {
    text.SetFont(0);
    text.SetWrap(560, -1, 0);
    text.SetClipRect(100, 100, 600, 400);
    text.SetScroll(100, 100);
    text.SetText(page.c_str());
}

void BM_TextPageBuildAndLayout(benchmark::State& state) {
    MemoryFonts fonts;
    std::u16string page = TaggedPage(4400);
    CText text;
    text.SetFont(0);
    text.SetWrap(560, -1, 0);
    for (auto _ : state) {
        text.SetText(page.c_str());
        benchmark::DoNotOptimize(text.GetTextHeight());
    }
}
BENCHMARK(BM_TextPageBuildAndLayout)->Unit(benchmark::kMicrosecond);

void BM_TextPageInputAndDraw(benchmark::State& state) {
    MemoryFonts fonts;
    std::u16string page = TaggedPage(4400);
    CText text;
    PreparePage(text, page);
    KeyArray keys;
    DrawCapture capture;
    int32_t frame = 0;
    for (auto _ : state) {
        capture.Clear();
        keys.keys['a'] = static_cast<uint8_t>((frame++ / 30) & 1);
        text.HandleInput(300 + frame % 50, 200, 0, keys.keys, kSdlKeyCount);
        text.Draw();
    }
    state.counters["glyphs"] = text.GetGlyphCount();
}
BENCHMARK(BM_TextPageInputAndDraw)->Unit(benchmark::kMicrosecond);

void BM_StatusLinesRetext(benchmark::State& state) {
    MemoryFonts fonts;
    CText lines[4];
    const char16_t* texts[4] = {u"Score 0001234567  Level 3  Lives 4  x9",
                                u"<Font+4>3<Font-1> 12 of 40 <Font+4>4<Font-1> 3 of 9",
                                u"Time 00:42:17  Bonus 2500  Hits 17 (34%)",
                                u"Penalty 0250  Total 0001232317 points!"};
    DrawCapture capture;
    for (auto _ : state) {
        capture.Clear();
        for (int i = 0; i < 4; ++i) {
            lines[i].SetFont(i < 2 ? 3 : 4);
            lines[i].SetWrap(600, -1, TEXT_ALIGN_RIGHT);
            lines[i].SetText(texts[i]);
            lines[i].Draw();
        }
    }
}
BENCHMARK(BM_StatusLinesRetext)->Unit(benchmark::kMicrosecond);

void BM_ControlTreeInput(benchmark::State& state) {
    CControl root;
    for (int i = 0; i < 3000; ++i) {
        CControl* leaf = new CControl();
        leaf->x = (i % 60) * 10;
        leaf->y = (i / 60) * 10;
        leaf->width = 10;
        leaf->height = 10;
        root.AddChild(leaf);
    }
    KeyArray keys;
    int32_t frame = 0;
    for (auto _ : state) {
        keys.keys[KEY_DOWN] = static_cast<uint8_t>((frame++ / 10) & 1);
        benchmark::DoNotOptimize(root.HandleInput(frame % 600, 40, 0, keys.keys, kSdlKeyCount));
    }
}
BENCHMARK(BM_ControlTreeInput)->Unit(benchmark::kMicrosecond);

} // namespace
