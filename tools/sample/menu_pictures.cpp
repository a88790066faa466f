#include "tools/sample/menu_pictures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/bytes.h"
#include "tools/sample/pixel_letters.h"
#include "tools/sample/sample_archive.h"

namespace sample {

namespace {

constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;

const uint32_t kInk = Opaque(0x2A1A0A);
const uint32_t kCream = Opaque(0xFFF4D8);
const uint32_t kGold = Opaque(0xF0C040);
const uint32_t kGoldDark = Opaque(0xA07820);
const uint32_t kWood = Opaque(0x8A5A2B);
const uint32_t kWoodDark = Opaque(0x5E3818);
const uint32_t kPanel = 0xF0281C14u;
const uint32_t kGroove = Opaque(0x1A120C);
const uint32_t kNightTop = Opaque(0x141C40);
const uint32_t kNightBottom = Opaque(0x6A4A8A);
const uint32_t kHillNear = Opaque(0x1C2A24);
const uint32_t kHillFar = Opaque(0x2C3C4C);

// A filled ellipse drawn row by row inside its own box, cheap on a big
// canvas.
void Blob(Canvas* c, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t argb) {
    for (int32_t dy = -ry; dy <= ry; ++dy) {
        const double t = static_cast<double>(dy) / ry;
        const auto half = static_cast<int32_t>(rx * std::sqrt(1.0 - t * t));
        c->Fill(cx - half, cy + dy, 2 * half + 1, 1, argb);
    }
}

// A row of rounded hills standing on the bottom edge.
void Hills(Canvas* c, int32_t baseY, int32_t step, int32_t height, uint32_t argb) {
    for (int32_t x = -step / 2, k = 0; x < c->width() + step; x += step, ++k)
        Blob(c, x, baseY, step * 2 / 3, height * (2 + k % 3) / 4, argb);
    c->Fill(0, baseY, c->width(), c->height() - baseY, argb);
}

// Text with a dark shadow below and to the right.
void Title(Canvas* c, int32_t cx, int32_t y, const std::string& text, int32_t scale,
           uint32_t argb) {
    DrawCentredLetters(c, cx + scale / 2 + 1, y + scale / 2 + 1, text, scale, kInk);
    DrawCentredLetters(c, cx, y, text, scale, argb);
}

void Stars(Canvas* c, int32_t count, int32_t bottom) {
    for (int32_t k = 0; k < count; ++k)
        c->Fill((k * 211 + 37) % c->width(), (k * 97 + 11) % bottom, 2, 2, 0xC0FFFFFFu);
}

// A plate with a border and clipped corners.
Canvas Plate(int32_t w, int32_t h, uint32_t fill, uint32_t border) {
    Canvas c(w, h, fill);
    c.Frame(0, 0, w, h, border);
    c.Frame(1, 1, w - 2, h - 2, border);
    for (int32_t x : {0, w - 1})
        for (int32_t y : {0, h - 1})
            c.Put(x, y, kClear);
    return c;
}

const char* const kMainMenuWords[kMainMenuChoices] = {
    "NEW GAME", "CONTINUE", "HISCORES", "OPTIONS", "HOW TO PLAY", "CHANGE PLAYER", "BACK TO GAME"};

// ---- the map ----------------------------------------------------------------------

constexpr int32_t kPlaceSize = 48;
constexpr int32_t kBackWidth = 120;
constexpr int32_t kBackHeight = 40;
constexpr int32_t kFlagWidth = 18;
constexpr int32_t kFlagHeight = 24;
constexpr int32_t kBackPicture = 2 * (kMapButtonCount - 1); // and the one after it, selected
constexpr int32_t kFirstFlagPicture = 2 * kMapButtonCount;

// The places of destinations 0..7 along a winding road, and back.
struct Point {
    int32_t x, y;
};
const Point kMapButtons[kMapButtonCount] = {{90, 430},  {180, 350}, {270, 410},
                                            {360, 320}, {450, 380}, {540, 290},
                                            {630, 350}, {710, 260}, {40, 530}};

Png MapPlace(int32_t destination, bool selected) {
    Canvas c(kPlaceSize, kPlaceSize);
    const double r = kPlaceSize / 2.0;
    c.Ellipse(r, r, r, r, selected ? kCream : kInk);
    c.Ellipse(r, r, r - 3, r - 3, selected ? kGold : kWood);
    DrawCentredLetters(&c, kPlaceSize / 2, 14, std::to_string(destination + 1), 3,
                       selected ? kInk : kCream);
    return c.Png();
}

Png MapBack(bool selected) {
    Canvas c = Plate(kBackWidth, kBackHeight, selected ? kGold : kWood, selected ? kCream : kInk);
    DrawCentredLetters(&c, kBackWidth / 2, 10, "BACK", 3, selected ? kInk : kCream);
    return c.Png();
}

// A pennant on a pole, its colour by the place it marks.
Png MapFlag(int32_t destination) {
    Canvas c(kFlagWidth, kFlagHeight);
    c.Fill(1, 0, 2, kFlagHeight, kInk);
    const uint32_t colour = Mix(Opaque(0x40C060), Opaque(0xE04040), destination / 7.0);
    for (int32_t y = 0; y < 12; ++y)
        c.Fill(3, y + 1, 14 - std::abs(y - 6) * 2, 1, colour);
    return c.Png();
}

// ---- the editor's icons -------------------------------------------------------------

struct IconStyle {
    uint8_t code;
    uint32_t colour;
    const char* letter;
};

const IconStyle kIconStyles[] = {
    {SAMPLE_CODE_PLAYER, Opaque(0x3060D0), "P"},
    {SAMPLE_CODE_RESTART_POINT, Opaque(0x208080), "R"},
    {SAMPLE_CODE_PICKUP, Opaque(0xD8B020), "C"},
    {SAMPLE_CODE_TARGET_A, Opaque(0xC03030), "A"},
    {SAMPLE_CODE_TARGET_B, Opaque(0x9030B0), "B"},
    {SAMPLE_CODE_LEVER, Opaque(0x707070), "L"},
    {SAMPLE_CODE_PLATFORM, Opaque(0x508090), "M"},
    {SAMPLE_CODE_HAZARD, Opaque(0xE02020), "H"},
    {SAMPLE_CODE_PIPE, Opaque(0x4080C0), "W"},
    {SAMPLE_CODE_BASIN, Opaque(0x2060A0), "U"},
    {SAMPLE_CODE_CHASE_START, Opaque(0x30A040), "S"},
    {SAMPLE_CODE_CHASE_STOP, Opaque(0xC06020), "T"},
};

// Entries and exits show their number, objects a letter, the pipe shapes
// their shape number less one; collision codes draw the shape they stand
// for.
void IconMark(Canvas* c, uint8_t code) {
    if (code >= 1 && code <= 6) {
        c->Fill(0, 0, 16, 16, Opaque(0x208040));
        DrawLetters(c, 3, 1, std::to_string(code), 2, kCream);
        return;
    }
    for (const IconStyle& style : kIconStyles)
        if (style.code == code) {
            c->Fill(0, 0, 16, 16, style.colour);
            DrawLetters(c, 3, 1, style.letter, 2, kCream);
            return;
        }
    if (code > 228) {
        c->Fill(0, 0, 16, 16, Opaque(0x3070A0));
        DrawLetters(c, 3, 1, std::to_string((code - 229) % 10), 2, kCream);
        return;
    }
    const uint32_t earth = Opaque(0x7A4A22);
    switch (code) {
    case SAMPLE_CODE_SLOPE_UP:
    case SAMPLE_CODE_SLOPE_DOWN:
        for (int32_t y = 0; y < 16; ++y) {
            const int32_t w = y + 1;
            c->Fill(code == SAMPLE_CODE_SLOPE_UP ? 16 - w : 0, y, w, 1, earth);
        }
        break;
    case SAMPLE_CODE_ONE_WAY:
        c->Fill(0, 0, 16, 4, Opaque(0xC08040));
        break;
    default:
        c->Fill(0, 0, 16, 16, earth);
        break;
    }
}

} // namespace

// ---- the pointer -----------------------------------------------------------------------

Png CursorFrame(int32_t k, int32_t frames) {
    constexpr int32_t kTipX = 33;
    constexpr int32_t kTipY = 28;
    Canvas c(66, 56);
    const uint32_t glow = Mix(kGold, kCream, std::abs(std::sin(3.14159265 * k / frames)));
    for (int32_t y = 0; y < 20; ++y) {
        const int32_t w = std::min(y * 3 / 4, 20 - y) + 1;
        c.Fill(kTipX, kTipY + y, w + 1, 1, kInk);
        if (w > 1)
            c.Fill(kTipX + 1, kTipY + y, w - 1, 1, glow);
    }
    c.Fill(kTipX + 6, kTipY + 14, 3, 9, kInk); // the tail
    return c.Png();
}

Png CursorSpark() {
    Canvas c(8, 8);
    c.Ellipse(4, 4, 4, 4, 0x80F0C040u);
    c.Ellipse(4, 4, 2, 2, 0xE0FFF4D8u);
    return c.Png();
}

// ---- full-screen pictures ---------------------------------------------------------------

Png MainMenuBackground() {
    Canvas c = Gradient(kScreenWidth, kScreenHeight, kNightTop, kNightBottom);
    Stars(&c, 60, 300);
    Blob(&c, 700, 110, 36, 36, Opaque(0xF8F0D0)); // the moon
    Hills(&c, 520, 160, 120, kHillFar);
    Hills(&c, 560, 110, 70, kHillNear);
    Title(&c, kScreenWidth / 2, 60, "QUILLBURY", 8, kGold);
    return c.Png();
}

Png MainMenuButton(int32_t k, bool selected) {
    constexpr int32_t kWidth = 260;
    constexpr int32_t kHeight = 44;
    Canvas c = selected ? Plate(kWidth, kHeight, kGold, kCream)
                        : Plate(kWidth, kHeight, 0xD05E3818u, kGoldDark);
    const char* word = k >= 0 && k < kMainMenuChoices ? kMainMenuWords[k] : "";
    DrawCentredLetters(&c, kWidth / 2, 12, word, 3, selected ? kInk : kCream);
    return c.Png();
}

Png OpeningPicture() {
    Canvas c = Gradient(kScreenWidth, kScreenHeight, kNightTop, Opaque(0xE0A070));
    Stars(&c, 40, 200);
    Hills(&c, 500, 180, 140, kHillFar);
    Hills(&c, 540, 120, 80, kHillNear);
    Title(&c, kScreenWidth / 2, 200, "QUILLBURY", 10, kGold);
    Title(&c, kScreenWidth / 2, 430, "PRESS ANY KEY", 3, kCream);
    return c.Png();
}

// ---- dialogs ---------------------------------------------------------------------------

Png DialogBody(int32_t width, int32_t height) {
    Canvas c(width, height, kPanel);
    for (int32_t k = 0; k < 3; ++k) {
        c.Fill(k, 0, 1, height, kGoldDark);
        c.Fill(width - 1 - k, 0, 1, height, kGoldDark);
        c.Fill(0, k, width, 1, kGoldDark);
    }
    c.Fill(6, 6, width - 12, 1, kGold);
    c.Fill(30, 96, width - 60, 2, kGoldDark); // under the title
    return c.Png();
}

Png DialogBottom(int32_t width, int32_t height) {
    Canvas c(width, height, kPanel);
    for (int32_t k = 0; k < 3; ++k) {
        c.Fill(k, 0, 1, height, kGoldDark);
        c.Fill(width - 1 - k, 0, 1, height, kGoldDark);
        c.Fill(0, height - 1 - k, width, 1, kGoldDark);
    }
    c.Fill(6, height - 7, width - 12, 1, kGold);
    return c.Png();
}

std::vector<Png> VerticalScrollbar() {
    Canvas track(16, 320, kGroove);
    track.Fill(0, 0, 1, 320, kWoodDark);
    track.Fill(15, 0, 1, 320, kWoodDark);
    Canvas thumb = Plate(16, 24, kGold, kGoldDark);
    return {track.Png(), thumb.Png()};
}

std::vector<Png> HorizontalScrollbar() {
    Canvas left(12, 16, kGroove);
    left.Fill(0, 0, 2, 16, kGoldDark);
    Canvas right(12, 16, kGroove);
    right.Fill(10, 0, 2, 16, kGoldDark);
    Canvas middle(20, 16, kGroove);
    middle.Fill(0, 7, 20, 2, kWoodDark);
    Canvas thumb = Plate(24, 16, kGold, kGoldDark);
    return {left.Png(), right.Png(), middle.Png(), thumb.Png()};
}

std::vector<Png> ButtonSkin(bool profile) {
    const int32_t cap = profile ? 14 : 10;
    const int32_t tile = profile ? 30 : 20;
    const int32_t height = profile ? 40 : 30;
    const uint32_t fill = profile ? Opaque(0x7A5A20) : kWood;
    const uint32_t edge = profile ? kGold : kInk;
    Canvas left(cap, height, fill);
    left.Fill(0, 0, 2, height, edge);
    Canvas right(cap, height, fill);
    right.Fill(cap - 2, 0, 2, height, edge);
    Canvas middle(tile, height, fill);
    for (Canvas* piece : {&left, &right, &middle}) {
        piece->Fill(0, 0, piece->width(), 2, edge);
        piece->Fill(0, height - 2, piece->width(), 2, edge);
    }
    return {left.Png(), right.Png(), middle.Png()};
}

// ---- the level map -----------------------------------------------------------------------

Png MapPicture(int32_t index) {
    if (index >= kFirstFlagPicture)
        return MapFlag(index - kFirstFlagPicture);
    if (index >= kBackPicture)
        return MapBack(index % 2 == 1);
    return MapPlace(index / 2, index % 2 == 1);
}

// Records 0..8: the buttons with their normal and selected pictures;
// record 9 + i: the flag of destination i beside its place.
std::vector<uint8_t> MapLayout() {
    std::vector<uint8_t> out(16 * kMapRecordCount);
    auto put = [&](int32_t record, int32_t x, int32_t y, int32_t picture, int32_t second) {
        uint8_t* p = out.data() + 16 * record;
        PutI32LE(p, x);
        PutI32LE(p + 4, y);
        PutI32LE(p + 8, picture);
        PutI32LE(p + 12, second);
    };
    for (int32_t i = 0; i < kMapButtonCount; ++i)
        put(i, kMapButtons[i].x, kMapButtons[i].y, 2 * i, 2 * i + 1);
    for (int32_t i = 0; i + kMapButtonCount < kMapRecordCount; ++i) {
        const int32_t flag = std::min(kFirstFlagPicture + i, kMapPictureCount - 1);
        put(kMapButtonCount + i, kMapButtons[i].x + kPlaceSize - 10,
            kMapButtons[i].y - kFlagHeight + 6, flag, flag);
    }
    return out;
}

// A down-pointing arrow as wide as a place and the margins the map gives it.
Png MapMarker() {
    constexpr int32_t kWidth = kPlaceSize + 28;
    Canvas c(kWidth, 30);
    for (int32_t y = 0; y < 26; ++y) {
        const int32_t half = y < 10 ? 8 : (25 - y) * 2;
        c.Fill(kWidth / 2 - half - 1, y, 2 * half + 2, 1, kInk);
        c.Fill(kWidth / 2 - half, y, 2 * half, 1, kGold);
    }
    return c.Png();
}

Png RopePicture() {
    Canvas c(4, 16, Opaque(0x9A7A4A));
    for (int32_t y = 0; y < 16; y += 4)
        c.Fill(0, y, 4, 1, Opaque(0x6A4A2A));
    return c.Png();
}

// ---- movies -----------------------------------------------------------------------------

// A sky that brightens, a sun on its arc (rising in the opening and the
// intro, setting in the ending) over a row of hills, the movie's words
// dropping in from above, and in the intro a figure hopping along the hills.
Canvas MovieFrame(int32_t item, int32_t frame, int32_t frames, int32_t width, int32_t height) {
    static const uint32_t kTops[] = {0xFF000000u, kNightTop, Opaque(0x203060), Opaque(0x402010)};
    static const uint32_t kBottoms[] = {Opaque(0x302010), kNightBottom, Opaque(0xE0A070),
                                        Opaque(0xF0C040)};
    static const char* const kWords[] = {"QB", "QUILLBURY", "ONCE UPON", "THE END"};
    constexpr double kPi = 3.14159265358979;
    const int32_t m = ((item % 4) + 4) % 4;
    const double t = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 1.0;
    const bool setting = m == 3;
    const double light = setting ? 1.0 - 0.6 * t : 0.4 + 0.6 * t;
    Canvas c = Gradient(width, height, kTops[m], Mix(kTops[m], kBottoms[m], light));
    if (m == 1)
        Stars(&c, 24, height / 2);

    const int32_t horizon = height * 3 / 4;
    const double arc = setting ? 0.5 + 0.5 * t : 0.5 * t; // share of the half turn
    const auto sunX = static_cast<int32_t>(width * (0.1 + 0.8 * t));
    const auto sunY = static_cast<int32_t>(horizon - height * 0.45 * std::sin(kPi * arc));
    Blob(&c, sunX, sunY, height / 10, height / 10, Mix(kGoldDark, kGold, light));
    Hills(&c, horizon, width / 4, height / 10, Mix(kHillNear, kHillFar, t));
    if (m == 2) {
        const auto figureX = static_cast<int32_t>(width * (0.05 + 0.9 * t));
        const auto hop = static_cast<int32_t>(6 * std::abs(std::sin(kPi * 8 * t)));
        Blob(&c, figureX, horizon - 6 - hop, 4, 6, kCream);
    }

    // The words drop in over the first third and stay.
    const double drop = std::min(1.0, 3.0 * t);
    const auto wordsY = static_cast<int32_t>(height / 4 - (1.0 - drop) * (height / 4 + 16));
    Title(&c, width / 2, wordsY, kWords[m], 2, Mix(kGoldDark, kCream, drop));
    return c;
}

// ---- the editor --------------------------------------------------------------------------

Png EditorPointer() {
    Canvas c(12, 19);
    for (int32_t y = 0; y < 16; ++y) {
        const int32_t w = std::min(y, 16 - y) * 3 / 4 + 1;
        c.Fill(0, y, w + 1, 1, 0xFF000000u);
        if (w > 1)
            c.Fill(1, y, w - 1, 1, 0xFFFFFFFFu);
    }
    c.Fill(4, 12, 3, 7, 0xFF000000u);
    return c.Png();
}

Png EditorCellFrame() {
    Canvas c(32, 32);
    c.Frame(0, 0, 32, 32, 0xFFFFE040u);
    c.Frame(1, 1, 30, 30, 0xFFFFE040u);
    return c.Png();
}

Png EditorIcon(uint8_t code) {
    Canvas c(16, 16);
    IconMark(&c, code);
    c.Frame(0, 0, 16, 16, 0xFF000000u);
    return c.Png();
}

} // namespace sample
