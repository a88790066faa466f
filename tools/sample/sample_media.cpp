#include "tools/sample/sample_media.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>

#include "engine/archive.h"
#include "tools/sample/ogg_media_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/script_assembler.h"
#include "world/objects.h"

namespace sample {

// ---- pictures ------------------------------------------------------------------

uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double ca = (a >> shift) & 0xFF;
        const double cb = (b >> shift) & 0xFF;
        out |= static_cast<uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

Canvas::Canvas(int32_t width, int32_t height, uint32_t fill)
    : width_(width), height_(height),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}

void Canvas::Put(int32_t x, int32_t y, uint32_t argb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + x] = argb;
}

void Canvas::Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb) {
    for (int32_t j = y; j < y + h; ++j)
        for (int32_t i = x; i < x + w; ++i)
            Put(i, j, argb);
}

void Canvas::Frame(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb) {
    Fill(x, y, w, 1, argb);
    Fill(x, y + h - 1, w, 1, argb);
    Fill(x, y, 1, h, argb);
    Fill(x + w - 1, y, 1, h, argb);
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, uint32_t argb) {
    for (int32_t j = 0; j < height_; ++j)
        for (int32_t i = 0; i < width_; ++i) {
            const double dx = (i + 0.5 - cx) / rx;
            const double dy = (j + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                Put(i, j, argb);
        }
}

namespace {

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// A plain C frame for libpng's longjmp: the buffers live with the caller.
bool EncodeRgba(int32_t width, int32_t height, png_bytep* rows, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendPngBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

// Written straight from the pixels: the sample's full-screen pictures are
// most of the time the archive takes to build.
std::vector<uint8_t> Canvas::Png() const {
    const size_t stride = 4 * static_cast<size_t>(width_);
    std::vector<uint8_t> bytes(stride * static_cast<size_t>(height_));
    uint8_t* p = bytes.data();
    for (uint32_t argb : pixels_) {
        p[0] = static_cast<uint8_t>(argb >> 16);
        p[1] = static_cast<uint8_t>(argb >> 8);
        p[2] = static_cast<uint8_t>(argb);
        p[3] = static_cast<uint8_t>(argb >> 24);
        p += 4;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height_));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = bytes.data() + y * stride;
    std::vector<uint8_t> out;
    if (width_ <= 0 || height_ <= 0 || !EncodeRgba(width_, height_, rows.data(), &out))
        throw std::runtime_error("a sample picture cannot be written as PNG");
    return out;
}

Canvas Gradient(int32_t width, int32_t height, uint32_t top, uint32_t bottom) {
    Canvas c(width, height);
    for (int32_t y = 0; y < height; ++y)
        c.Fill(0, y, width, 1, Mix(top, bottom, static_cast<double>(y) / (height - 1)));
    return c;
}

// ---- sounds --------------------------------------------------------------------

PcmBuffer NotesPcm(const std::vector<Note>& notes, double amplitude) {
    constexpr int32_t kRate = 44100;
    constexpr double kEdge = 0.005;
    constexpr double kTwoPi = 6.283185307179586;
    PcmBuffer pcm;
    pcm.channels = 2;
    pcm.rate = kRate;
    for (const Note& note : notes) {
        const size_t frames = static_cast<size_t>(note.seconds * kRate);
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::min({1.0, t / kEdge, (note.seconds - t) / kEdge});
            const double v = amplitude * envelope * std::sin(kTwoPi * note.frequency * t);
            const int16_t sample = static_cast<int16_t>(std::lround(v));
            pcm.samples.push_back(sample);
            pcm.samples.push_back(sample);
        }
    }
    return pcm;
}

std::vector<uint8_t> NotesOgg(const std::vector<Note>& notes, double amplitude, float quality) {
    return WriteOggVorbis(NotesPcm(notes, amplitude), quality);
}

std::vector<uint8_t> WorldGroupSound(uint32_t group) {
    switch (group) {
    case 51: // a taunt
        return NotesOgg({{880.0, 0.06}, {660.0, 0.06}, {880.0, 0.06}}, 5000.0);
    case 52: // a landing or a jump
        return NotesOgg({{196.0, 0.05}, {146.8, 0.07}}, 6000.0);
    case 53: // a blast
        return NotesOgg({{110.0, 0.08}, {82.4, 0.12}}, 7000.0);
    case 54: // a bounce on the ground
        return NotesOgg({{261.6, 0.04}, {220.0, 0.04}}, 5000.0);
    case 55: // a strike
        return NotesOgg({{329.6, 0.03}, {164.8, 0.06}}, 6000.0);
    case 56: // a warning
        return NotesOgg({{740.0, 0.05}, {0.0, 0.03}, {740.0, 0.05}}, 4000.0);
    default: // 57: landing on the chased character
        return NotesOgg({{587.3, 0.05}, {784.0, 0.05}, {1174.7, 0.1}}, 6000.0);
    }
}

namespace {

constexpr uint8_t kPngType = static_cast<uint8_t>(RES_TYPE_PNG);
constexpr uint8_t kPredecodedType = static_cast<uint8_t>(RES_TYPE_SOUND_PREDECODED);
constexpr int16_t kCell = 32;
// Objects that stand on the ground keep their position on the last row of
// pixels of their cell: a point on the ground's top row is inside the
// ground already, and falls through it.
constexpr int16_t kFeet = kCell - 1;

std::vector<uint8_t> PickupSound() {
    return NotesOgg({{1046.5, 0.06}, {1318.5, 0.12}}, 6000.0);
}

std::vector<uint8_t> ChaseSound(bool starts) {
    return starts ? NotesOgg({{523.3, 0.05}, {659.3, 0.05}, {1046.5, 0.1}}, 6000.0)
                  : NotesOgg({{1046.5, 0.05}, {659.3, 0.05}, {523.3, 0.1}}, 6000.0);
}

// ---- sprites ---------------------------------------------------------------------

SpriteKeyRecord Key(uint16_t key, int16_t x, int16_t y, int16_t w, int16_t h, int16_t vx = 0,
                    int16_t vy = 0) {
    return SpriteKeyRecord{key, 0, x, y, w, h, vx, vy};
}

constexpr uint16_t kHurtBoxKey = 1;
constexpr uint16_t kActionPointKey = 4;
constexpr uint16_t kStandBoxKey = 256;

// A picture drawn with its hot spot at (-x, -y), the same mirrored, with
// the given key records.
MediaSpriteSpec Sprite(const Canvas& picture, int16_t x, int16_t y,
                       std::vector<SpriteKeyRecord> keys) {
    MediaSpriteSpec sprite;
    sprite.picture = picture.Png();
    sprite.pictureType = kPngType;
    SpriteDescriptorSpec& d = sprite.descriptor;
    d.x = d.mirroredX = x;
    d.y = d.mirroredY = y;
    const int16_t w = static_cast<int16_t>(picture.width());
    const int16_t h = static_cast<int16_t>(picture.height());
    d.b[1] = y;
    d.b[3] = static_cast<int16_t>(y + h);
    d.b[4] = x;
    d.b[6] = static_cast<int16_t>(x + w);
    d.keys = std::move(keys);
    return sprite;
}

// A sprite whose only key is the box of its whole picture.
MediaSpriteSpec BoxedSprite(const Canvas& picture, int16_t x, int16_t y) {
    return Sprite(picture, x, y,
                  {Key(kHurtBoxKey, x, y, static_cast<int16_t>(picture.width()),
                       static_cast<int16_t>(picture.height()))});
}

// ---- the player (type 1)

enum PlayerSprite : uint16_t {
    kStand,
    kWalkA,
    kWalkB,
    kJump,
    kHurt,
    kWindUp,
    kThrow,
    kFollowThrough,
    kPlayerSpriteCount
};

enum class Legs { Together, Apart, Crossed, Tucked };

// 32 by 48, the feet at the bottom middle, facing right (the eye is on the
// right): mirroring shows the facing.
Canvas PlayerFigure(uint32_t body, Legs legs, bool armUp, bool armOut) {
    Canvas c(32, 48);
    const uint32_t trousers = Opaque(0x303050);
    switch (legs) {
    case Legs::Together:
        c.Fill(10, 34, 5, 14, trousers);
        c.Fill(17, 34, 5, 14, trousers);
        break;
    case Legs::Apart:
        c.Fill(7, 34, 5, 14, trousers);
        c.Fill(20, 34, 5, 14, trousers);
        break;
    case Legs::Crossed:
        c.Fill(12, 34, 8, 14, trousers);
        break;
    case Legs::Tucked:
        c.Fill(9, 34, 6, 8, trousers);
        c.Fill(17, 34, 6, 8, trousers);
        break;
    }
    c.Fill(9, 17, 14, 18, body);
    c.Frame(9, 17, 14, 18, Mix(body, 0xFF000000u, 0.4));
    if (armUp)
        c.Fill(22, 4, 4, 14, body);
    if (armOut)
        c.Fill(23, 20, 9, 4, body);
    c.Ellipse(16, 9, 7, 8, Opaque(0xF0C8A0));
    c.Fill(19, 7, 2, 2, Opaque(0x101010));
    return c;
}

// What a script of the player does: walk 4 pixels a frame, stand, take
// off (the first instruction holds the jump's velocity), play a hurt that
// ends, or throw.
enum class Role { Walk, Stand, Jump, Hurt, Action };

// A state s runs script s / 2 + 30 x costume; both costumes share the
// roles. Scripts 60 on are the ride (64, 65) and the special stand (66, 67).
constexpr Role kCostumeScriptRoles[30] = {
    Role::Walk,   // 0: walking (states 0/1)
    Role::Stand,  // 1: standing (2/3)
    Role::Jump,   // 2: jumping or falling (4/5)
    Role::Hurt,   // 3: hurt (6/7)
    Role::Action, // 4: action from standing (8/9)
    Role::Action, // 5: action while walking (10/11)
    Role::Stand,  // 6: cell-centred x (12)
    Role::Stand,  // 7: cell-centred y (14/15)
    Role::Stand,  // 8: cell-centred x (16)
    Role::Hurt,   // 9: stunned (18/19)
    Role::Walk,   // 10: second set, walking (20/21)
    Role::Stand,  // 11: second set, standing (22/23)
    Role::Jump,   // 12: second set, jumping (24/25)
    Role::Stand,  // 13
    Role::Stand,  // 14
    Role::Stand,  // 15
    Role::Stand,  // 16: sequence end (32)
    Role::Stand,  // 17: sequence end (34)
    Role::Jump,   // 18: jumping on level 17 (36/37)
    Role::Hurt,   // 19: knocked down (38/39)
    Role::Stand,  // 20: level 20, standing (40/41)
    Role::Walk,   // 21: level 20, walking (42/43)
    Role::Jump,   // 22: level 20, jumping (44/45)
    Role::Action, // 23: level 20, action from standing (46/47)
    Role::Action, // 24: level 20, action while walking (48/49)
    Role::Walk,   // 25: level 21, walking (50/51)
    Role::Stand,  // 26: level 21, rising (52/53)
    Role::Stand,  // 27: level 21, at a wall (54/55)
    Role::Hurt,   // 28: level 20, hurt (56/57)
    Role::Hurt,   // 29: level 20, knocked down (58/59)
};

Role PlayerScriptRole(int32_t script) {
    if (script >= 60)
        return script >= 66 ? Role::Walk : Role::Stand;
    return kCostumeScriptRoles[script % 30];
}

MediaBlockSpec PlayerMedia() {
    // The position is the feet, and the pictures stand on it. The spawn
    // offset stays 0: the entry record keeps the position the offset was
    // added to, and any other offset would move the player at every load.
    constexpr int16_t kX = -16, kY = -48;
    const std::vector<SpriteKeyRecord> body = {Key(kHurtBoxKey, -12, -46, 24, 46),
                                               Key(kStandBoxKey, -12, -48, 24, 4)};
    std::vector<SpriteKeyRecord> throwing = body;
    // One frame of the throw shows the action point; the player launches
    // one projectile for every frame that shows it.
    throwing.push_back(Key(kActionPointKey, 20, -28, 8, 8, 12, -2));

    MediaBlockSpec block;
    block.sprites = {
        Sprite(PlayerFigure(Opaque(0x3050D0), Legs::Together, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0x20A0D0), Legs::Apart, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0x10A088), Legs::Crossed, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xE0C020), Legs::Tucked, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xD03030), Legs::Apart, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xE08020), Legs::Together, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xD040C0), Legs::Apart, false, true), kX, kY, throwing),
        Sprite(PlayerFigure(Opaque(0x8040D0), Legs::Together, false, true), kX, kY, body),
    };

    ScriptAssembler a;
    for (int32_t s = 0; s < SAMPLE_PLAYER_SCRIPTS; ++s) {
        a.BeginScript();
        switch (PlayerScriptRole(s)) {
        case Role::Walk:
            a.Show(kWalkA, 4, 4).Show(kWalkB, 4, 4).Jump(0);
            break;
        case Role::Stand:
            // A loop: an ended script would cancel an action started from
            // standing in its first frame.
            a.Show(kStand, 60).Jump(0);
            break;
        case Role::Jump:
            a.ShowHalt(kJump, 0, -21);
            break;
        case Role::Hurt:
            a.Show(kHurt, 24);
            break;
        case Role::Action:
            a.Show(kWindUp, 4).Show(kThrow, 1).Show(kFollowThrough, 6);
            break;
        }
    }
    block.scripts = a.Write();
    return block;
}

// ---- the chased character (type 3)

enum ChasedSprite : uint16_t {
    kChasedStand,
    kChasedRunA,
    kChasedRunB,
    kChasedJump,
    kChasedCrouch,
    kChasedStrike,
    kChasedTaunt,
    kChasedDazed,
    kChasedHover,
};

enum class Pose { Stand, RunA, RunB, Jump, Crouch, Strike, Taunt, Dazed, Hover };

// 36 by 50, the feet at the bottom middle, facing right: a fox in a green
// scarf, its tail behind it, so that it never passes for the player.
Canvas ChasedFigure(Pose pose) {
    constexpr uint32_t kFur = 0xFFE07020u, kBelly = 0xFFF8E8D0u, kDark = 0xFF6A2A08u,
                       kScarf = 0xFF30B060u;
    Canvas c(36, 50);
    const int32_t drop = pose == Pose::Crouch || pose == Pose::Dazed ? 8 : 0;
    // Legs.
    switch (pose) {
    case Pose::RunA:
        c.Fill(9, 38, 5, 12, kDark);
        c.Fill(22, 36, 5, 10, kDark);
        break;
    case Pose::RunB:
        c.Fill(14, 38, 8, 12, kDark);
        break;
    case Pose::Jump:
    case Pose::Hover:
        c.Fill(12, 36, 5, 8, kDark);
        c.Fill(20, 36, 5, 8, kDark);
        break;
    default:
        c.Fill(12, 38, 5, 12, kDark);
        c.Fill(20, 38, 5, 12, kDark);
        break;
    }
    // Tail, body and belly.
    c.Ellipse(5, 30 + drop, 5, 8, kFur);
    c.Ellipse(3, 24 + drop, 3, 3, kBelly);
    c.Ellipse(18, 30 + drop / 2, 9, 11, kFur);
    c.Ellipse(19, 32 + drop / 2, 5, 7, kBelly);
    c.Fill(11, 20 + drop, 15, 3, kScarf);
    // Head with its ears and eye.
    const int32_t hy = 11 + drop;
    c.Ellipse(20, hy, 8, 7, kFur);
    c.Fill(14, hy - 11, 4, 6, kFur);
    c.Fill(23, hy - 11, 4, 6, kFur);
    c.Ellipse(27, hy + 2, 4, 3, kBelly);
    c.Fill(23, hy - 2, 2, 2, 0xFF101010u);
    // Arms by pose.
    switch (pose) {
    case Pose::Strike:
        c.Fill(24, 24, 12, 4, kFur);
        c.Fill(32, 22, 4, 8, kDark);
        break;
    case Pose::Taunt:
        c.Fill(25, 6, 4, 14, kFur);
        c.Fill(8, 6, 4, 14, kFur);
        break;
    case Pose::Jump:
        c.Fill(25, 10, 4, 12, kFur);
        break;
    case Pose::Dazed:
        for (int32_t k = 0; k < 3; ++k)
            c.Fill(8 + 8 * k, 0, 3, 3, 0xFFFFF060u);
        break;
    case Pose::Hover:
        c.Ellipse(18, 47, 14, 3, 0xC0E0F0FFu);
        break;
    default:
        c.Fill(25, 24, 4, 10, kFur);
        break;
    }
    return c;
}

// What a script of the chased character does, by the states that play it.
enum class ChasedRole {
    Idle,     // a standing loop
    Short,    // a few frames, then done: the state moves on
    Wait,     // a loop: a finished wait would stand the character up
    Run,      // the legs alone; the state steps give the speed
    RunShort, // two strides, then done
    TimedRun, // runs by its own motion until the state counter stops it
    Jump,     // holds the jump
    JumpShort,
    Taunt,
    Strike, // the strike frame shows key record 4
    Brake,
    Hover,
    Carry,
    Dazed,
};

// Script s is played by states 2s and 2s + 1.
constexpr ChasedRole kChasedRoles[SAMPLE_CHASED_SCRIPTS] = {
    ChasedRole::Idle,      // 0: standing (0/1)
    ChasedRole::Short,     // 1: short action (2/3)
    ChasedRole::Wait,      // 2: waiting far ahead (4/5)
    ChasedRole::JumpShort, // 3: escaping (6/7)
    ChasedRole::Short,     // 4: short action (8)
    ChasedRole::TimedRun,  // 5: timed (10/11)
    ChasedRole::Idle,      // 6
    ChasedRole::Run,       // 7: nudged (14/15)
    ChasedRole::Idle,      // 8 (16/17)
    ChasedRole::Short,     // 9 (18/19)
    ChasedRole::Idle,      // 10: splitting (20/21)
    ChasedRole::Taunt,     // 11: taunting (22/23)
    ChasedRole::Run,       // 12: catching up (24/25)
    ChasedRole::Brake,     // 13: braking (26/27)
    ChasedRole::Strike,    // 14: striking (28/29)
    ChasedRole::Run,       // 15: following (30/31)
    ChasedRole::Jump,      // 16: following in the air (32/33)
    ChasedRole::Idle,      // 17 (34/35)
    ChasedRole::JumpShort, // 18: the braking jump (36)
    ChasedRole::Dazed,     // 19 (38)
    ChasedRole::Taunt,     // 20: taunting with paint (40)
    ChasedRole::Idle,      // 21 (42/43)
    ChasedRole::Carry,     // 22: ready to carry (44/45)
    ChasedRole::Carry,     // 23: carrying (46/47)
    ChasedRole::Short,     // 24 (48/49)
    ChasedRole::Idle,      // 25 (50/51)
    ChasedRole::Short,     // 26 (52/53)
    ChasedRole::Run,       // 27: running (54/55)
    ChasedRole::RunShort,  // 28: running steadily (56/57)
    ChasedRole::JumpShort, // 29: jumping a thrown object (58/59)
    ChasedRole::Hover,     // 30: rising (60/61)
    ChasedRole::Short,     // 31: stopping in the air (62/63)
    ChasedRole::Hover,     // 32: hovering (64/65)
    ChasedRole::Hover,     // 33: hovering after the player (66/67)
    ChasedRole::Idle,      // 34 (68/69)
    ChasedRole::Short,     // 35 (70/71)
    ChasedRole::Idle,      // 36 (72/73)
    ChasedRole::Short,     // 37 (74/75)
    ChasedRole::Idle,      // 38 (76/77)
    ChasedRole::Short,     // 39 (78/79)
    ChasedRole::Short,     // 40 (80/81)
    ChasedRole::Run,       // 41: pushing (82)
    ChasedRole::Short,     // 42 (84/85)
};

MediaBlockSpec ChasedMedia() {
    constexpr int16_t kX = -18, kY = -50;
    // Key 1 is the box the rules hurt and knock targets with; key 256 the
    // point where a taunt's paint comes out and a carried player rides.
    const std::vector<SpriteKeyRecord> body = {Key(kHurtBoxKey, -12, -46, 24, 46),
                                               Key(kStandBoxKey, -14, -50, 28, 4)};
    std::vector<SpriteKeyRecord> striking = body;
    striking.push_back(Key(kActionPointKey, 14, -30, 10, 10));

    MediaBlockSpec block;
    block.sprites = {
        Sprite(ChasedFigure(Pose::Stand), kX, kY, body),
        Sprite(ChasedFigure(Pose::RunA), kX, kY, body),
        Sprite(ChasedFigure(Pose::RunB), kX, kY, body),
        Sprite(ChasedFigure(Pose::Jump), kX, kY, body),
        Sprite(ChasedFigure(Pose::Crouch), kX, kY, body),
        Sprite(ChasedFigure(Pose::Strike), kX, kY, striking),
        Sprite(ChasedFigure(Pose::Taunt), kX, kY, body),
        Sprite(ChasedFigure(Pose::Dazed), kX, kY, body),
        Sprite(ChasedFigure(Pose::Hover), kX, kY, body),
    };

    ScriptAssembler a;
    for (ChasedRole role : kChasedRoles) {
        a.BeginScript();
        switch (role) {
        case ChasedRole::Idle:
            a.Show(kChasedStand, 30).Show(kChasedCrouch, 4).Jump(0);
            break;
        case ChasedRole::Short:
            a.Show(kChasedCrouch, 5).Show(kChasedStand, 5);
            break;
        case ChasedRole::Wait:
            a.Show(kChasedStand, 12).Show(kChasedTaunt, 12).Jump(0);
            break;
        case ChasedRole::Run:
            a.Show(kChasedRunA, 3).Show(kChasedRunB, 3).Jump(0);
            break;
        case ChasedRole::RunShort:
            a.Show(kChasedRunA, 3).Show(kChasedRunB, 3).Show(kChasedRunA, 3).Show(kChasedRunB, 3);
            break;
        case ChasedRole::TimedRun:
            a.Show(kChasedRunA, 3, 5).Show(kChasedRunB, 3, 5).Jump(0);
            break;
        case ChasedRole::Jump:
            a.ShowHalt(kChasedJump);
            break;
        case ChasedRole::JumpShort:
            a.Show(kChasedJump, 10);
            break;
        case ChasedRole::Taunt:
            a.Show(kChasedTaunt, 6).Show(kChasedStand, 6).Jump(0);
            break;
        case ChasedRole::Strike:
            a.Show(kChasedCrouch, 4).Show(kChasedStrike, 6).Show(kChasedStand, 4);
            break;
        case ChasedRole::Brake:
            a.Show(kChasedCrouch, 16).Show(kChasedStand, 8).Jump(0);
            break;
        case ChasedRole::Hover:
            a.Show(kChasedHover, 6).Show(kChasedJump, 6).Jump(0);
            break;
        case ChasedRole::Carry:
            a.Show(kChasedTaunt, 8).Show(kChasedStand, 8).Jump(0);
            break;
        case ChasedRole::Dazed:
            a.Show(kChasedDazed, 16);
            break;
        }
    }
    block.scripts = a.Write();
    return block;
}

// ---- pickups (types 4, 13 and 14)

// Script 0 waits to be taken, script 1 is the taken pickup: it plays the
// sound, rises, and ends hidden so that nothing stays on screen.
std::vector<uint8_t> PickupScripts() {
    ScriptAssembler a(kCell / 2, kCell / 2);
    a.BeginScript();
    a.Show(0, 8).Show(1, 4).Jump(0);
    a.BeginScript();
    a.SoundPlay(0, 0, 0, 0).Show(2, 3, 0, -3).Show(2, 3, 0, -3).Show(1, 3, 0, -3).Hide(2, 1);
    return a.Write();
}

MediaBlockSpec PickupMedia() {
    Canvas coin(20, 20);
    coin.Ellipse(10, 10, 9, 9, Opaque(0xC89B00));
    coin.Ellipse(10, 10, 7, 7, Opaque(0xFFD700));
    coin.Fill(9, 5, 2, 10, Opaque(0xFFF4A0));
    Canvas edge(20, 20);
    edge.Ellipse(10, 10, 3, 9, Opaque(0xC89B00));
    edge.Ellipse(10, 10, 2, 8, Opaque(0xFFE860));
    Canvas sparkle(20, 20);
    sparkle.Fill(9, 2, 2, 16, Opaque(0xFFFFF0));
    sparkle.Fill(2, 9, 16, 2, Opaque(0xFFFFF0));
    sparkle.Ellipse(10, 10, 3, 3, Opaque(0xFFF080));

    MediaBlockSpec block;
    block.sprites = {BoxedSprite(coin, -10, -10), BoxedSprite(edge, -10, -10),
                     BoxedSprite(sparkle, -10, -10)};
    block.sounds = {MediaSoundSpec{PickupSound(), kPredecodedType}};
    block.scripts = PickupScripts();
    return block;
}

// The pickups that start and stop the chase: a gem of their own colour,
// turning, and a burst when taken.
MediaBlockSpec ChaseGemMedia(uint32_t colour, bool starts) {
    const uint32_t light = Mix(colour, 0xFFFFFFFFu, 0.5);
    const uint32_t dark = Mix(colour, 0xFF000000u, 0.4);
    Canvas face(20, 20);
    for (int32_t y = 0; y < 20; ++y) {
        const int32_t half = y < 10 ? y : 19 - y;
        face.Fill(10 - half, y, 2 * half, 1, y < 7 ? light : colour);
    }
    face.Frame(6, 6, 8, 8, dark);
    Canvas turned(20, 20);
    for (int32_t y = 0; y < 20; ++y) {
        const int32_t half = (y < 10 ? y : 19 - y) / 2;
        turned.Fill(10 - half, y, 2 * half, 1, y < 7 ? light : dark);
    }
    Canvas burst(20, 20);
    burst.Ellipse(10, 10, 9, 9, light);
    burst.Ellipse(10, 10, 5, 5, colour);

    MediaBlockSpec block;
    block.sprites = {BoxedSprite(face, -10, -10), BoxedSprite(turned, -10, -10),
                     BoxedSprite(burst, -10, -10)};
    block.sounds = {MediaSoundSpec{ChaseSound(starts), kPredecodedType}};
    block.scripts = PickupScripts();
    return block;
}

// ---- level objects

// Three scripts on the state's picture: idle, triggered (a few frames,
// then done) and finished, for an object that stands on the ground.
std::vector<uint8_t> ThreeStateScripts(uint16_t idleA, uint16_t idleB, uint16_t triggered,
                                       uint16_t finished, int8_t idleWait) {
    ScriptAssembler a(kCell / 2, kFeet);
    a.BeginScript();
    a.Show(idleA, idleWait).Show(idleB, idleWait).Jump(0);
    a.BeginScript();
    a.Show(triggered, 4).Show(triggered, 4, 0, -2).Show(finished, 4, 0, 2);
    a.BeginScript();
    a.ShowHalt(finished);
    return a.Write();
}

// Types 41 and 48: enemies that wait on the ground until a thrown object
// strikes them; then they play their script 1 and go.
MediaBlockSpec TargetMedia(uint32_t shell, uint32_t spots, bool round) {
    auto figure = [&](int32_t lift, bool hit) {
        Canvas c(28, 24);
        const uint32_t body = hit ? Mix(shell, 0xFFFFFFFFu, 0.6) : shell;
        if (round) {
            c.Ellipse(14, 14 - lift, 13, 10, body);
        } else {
            c.Ellipse(14, 15 - lift, 12, 8, body);
            c.Fill(2, 20 - lift, 24, 2, Mix(shell, 0xFF000000u, 0.5));
        }
        for (int32_t k = 0; k < 3; ++k)
            c.Ellipse(7 + 7 * k, 12 - lift, 2, 2, spots);
        c.Fill(19, 8 - lift, 3, 3, Opaque(0xFFFFFF));
        c.Fill(20, 9 - lift, 1, 1, Opaque(0x000000));
        if (!hit)
            for (int32_t k = 0; k < 3; ++k)
                c.Fill(5 + 8 * k, 22 - lift / 2, 3, 2, Mix(shell, 0xFF000000u, 0.5));
        return c;
    };
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(figure(0, false), -14, -24),
                     BoxedSprite(figure(2, false), -14, -24),
                     BoxedSprite(figure(0, true), -14, -24)};
    block.scripts = ThreeStateScripts(0, 1, 2, 2, 12);
    return block;
}

// Type 37: the lever, off (handle left) until the player passes it, then
// on (handle right), holding the way back shut.
MediaBlockSpec LeverMedia() {
    auto lever = [](double angle, uint32_t lamp) {
        Canvas c(24, 32);
        c.Fill(4, 26, 16, 6, Opaque(0x505860));
        c.Frame(4, 26, 16, 6, Opaque(0x303840));
        for (int32_t k = 0; k < 20; ++k) {
            const int32_t x = 12 + static_cast<int32_t>(std::lround(std::sin(angle) * k));
            const int32_t y = 26 - static_cast<int32_t>(std::lround(std::cos(angle) * k));
            c.Fill(x - 1, y - 1, 2, 2, Opaque(0x9098A0));
        }
        const int32_t kx = 12 + static_cast<int32_t>(std::lround(std::sin(angle) * 20));
        const int32_t ky = 26 - static_cast<int32_t>(std::lround(std::cos(angle) * 20));
        c.Ellipse(kx, ky, 3.5, 3.5, Opaque(0xD02020));
        c.Fill(10, 28, 4, 2, lamp);
        return c;
    };
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(lever(-0.6, Opaque(0x802020)), -12, -32),
                     BoxedSprite(lever(0.0, Opaque(0xC0A020)), -12, -32),
                     BoxedSprite(lever(0.6, Opaque(0x20E040)), -12, -32)};
    ScriptAssembler a(kCell / 2, kFeet);
    a.BeginScript();
    a.ShowHalt(0);
    a.BeginScript();
    a.Show(1, 4).ShowHalt(2);
    a.BeginScript();
    a.ShowHalt(2);
    block.scripts = a.Write();
    return block;
}

// Type 58: a plate running in a groove of the trench floor, its deck
// flush with the floor. It rests until the player is near, then runs right
// until the trench ends. Its position is the right end of its deck.
MediaBlockSpec PlatformMedia() {
    auto plate = [](uint32_t rivets) {
        Canvas c(64, 12);
        c.Fill(0, 0, 64, 8, Opaque(0x7A5030));
        c.Fill(0, 0, 64, 2, Opaque(0xC09060));
        c.Frame(0, 0, 64, 8, Opaque(0x4A3018));
        for (int32_t k = 0; k < 4; ++k)
            c.Fill(6 + 16 * k, 3, 3, 3, rivets);
        for (int32_t k = 0; k < 3; ++k)
            c.Ellipse(12 + 20 * k, 9, 3, 3, Opaque(0x303030));
        return c;
    };
    // The rule of a moving platform holds the player inside its stand box
    // wherever the player is; a box that reaches past the activation window
    // on both sides leaves the player free, and only its top, the deck,
    // catches a player who drops into the trench.
    constexpr int16_t kReach = 1600;
    const std::vector<SpriteKeyRecord> keys = {Key(kHurtBoxKey, -64, 0, 64, 12),
                                               Key(kStandBoxKey, -kReach, 0, 2 * kReach, 12)};
    MediaBlockSpec block;
    block.sprites = {Sprite(plate(Opaque(0xE0C060)), -64, 0, keys),
                     Sprite(plate(Opaque(0xFFF0A0)), -64, 0, keys)};
    ScriptAssembler a(kCell, kFeet);
    a.BeginScript();
    a.Show(0, 100).Show(0, 4, 2).Show(1, 4, 2).Jump(1);
    block.scripts = a.Write();
    return block;
}

// Type 33: spikes that hurt the player who comes close.
MediaBlockSpec HazardMedia() {
    auto spikes = [](uint32_t tips) {
        Canvas c(32, 16);
        c.Fill(0, 12, 32, 4, Opaque(0x505050));
        for (int32_t k = 0; k < 4; ++k)
            for (int32_t y = 0; y < 12; ++y) {
                const int32_t half = y / 3;
                c.Fill(8 * k + 4 - half, y, 2 * half + 1, 1, y < 3 ? tips : Opaque(0xB0B8C0));
            }
        return c;
    };
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(spikes(Opaque(0xE0E8F0)), -16, -16),
                     BoxedSprite(spikes(Opaque(0xFF4040)), -16, -16)};
    ScriptAssembler a(kCell / 2, kFeet);
    a.BeginScript();
    a.Show(0, 14).Show(1, 4).Jump(0);
    a.BeginScript();
    a.ShowHalt(1);
    block.scripts = a.Write();
    return block;
}

// Type 35: pipe segments. The stream's path through shape s is the motion
// of script s's first three instructions (points in the 32-pixel cell);
// straight shapes run from the first point to the second.
struct PipeShape {
    int8_t x0, y0, x1, y1, x2, y2;
    uint32_t colour;
};
constexpr PipeShape kPipeShapeTable[kPipeShapes] = {
    {0, 16, 32, 16, 32, 16, 0xFF6080A0u},  // 0: the head, left to right
    {0, 16, 16, 16, 16, 32, 0xFF6080A0u},  // 1: from the left, bending down
    {0, 16, 16, 16, 16, 0, 0xFF6080A0u},   // 2: from the left, bending up
    {16, 32, 16, 16, 32, 16, 0xFF6080A0u}, // 3: from below, bending right
    {16, 0, 16, 16, 32, 16, 0xFF6080A0u},  // 4: from above, bending right
    {0, 16, 32, 16, 32, 16, 0xFF7090B0u},  // 5: straight, left to right
    {16, 0, 16, 32, 16, 32, 0xFF7090B0u},  // 6: straight, downwards
    {16, 32, 16, 0, 16, 0, 0xFF7090B0u},   // 7: straight, upwards
    {0, 16, 32, 16, 32, 16, 0xFF8098A8u},  // 8: straight and narrow
    {0, 16, 16, 16, 16, 32, 0xFF8098A8u},  // 9: a wide bend down
    {16, 32, 16, 16, 16, 0, 0xFF5070A0u},  // 10: the drop, upwards or fed from above
};

Canvas PipePicture(const PipeShape& shape) {
    Canvas c(kCell, kCell);
    const uint32_t rim = Mix(shape.colour, 0xFF000000u, 0.4);
    auto leg = [&](int32_t ax, int32_t ay, int32_t bx, int32_t by) {
        const int32_t x = std::min(ax, bx), y = std::min(ay, by);
        if (ay == by) {
            c.Fill(x, y - 7, std::max(1, std::abs(bx - ax)), 14, rim);
            c.Fill(x, y - 5, std::max(1, std::abs(bx - ax)), 10, shape.colour);
        } else {
            c.Fill(x - 7, y, 14, std::max(1, std::abs(by - ay)), rim);
            c.Fill(x - 5, y, 10, std::max(1, std::abs(by - ay)), shape.colour);
        }
    };
    leg(shape.x0, shape.y0, shape.x1, shape.y1);
    leg(shape.x1, shape.y1, shape.x2, shape.y2);
    c.Fill(shape.x1 - 2, shape.y1 - 2, 4, 4, Mix(shape.colour, 0xFFFFFFFFu, 0.5));
    return c;
}

MediaBlockSpec PipeMedia() {
    MediaBlockSpec block;
    ScriptAssembler a;
    for (int32_t s = 0; s < kPipeShapes; ++s) {
        const PipeShape& shape = kPipeShapeTable[s];
        block.sprites.push_back(BoxedSprite(PipePicture(shape), 0, 0));
        const auto sprite = static_cast<uint16_t>(s);
        a.BeginScript();
        a.Show(sprite, 1, shape.x0, shape.y0)
            .Show(sprite, 1, shape.x1, shape.y1)
            .Show(sprite, 1, shape.x2, shape.y2);
    }
    // Instruction s of this script names the sprite of shape s.
    a.BeginScript();
    for (int32_t s = 0; s < kPipeShapes; ++s)
        a.Show(static_cast<uint16_t>(s));
    a.BeginScript();
    a.ShowHalt(0);
    block.scripts = a.Write();
    return block;
}

// Type 36: the basin at the end of the pipe chain, empty until the stream
// reaches it.
MediaBlockSpec BasinMedia() {
    auto basin = [](int32_t water, bool splash) {
        Canvas c(32, 24);
        c.Fill(2, 8, 28, 16, Opaque(0x8A6A4A));
        c.Fill(5, 8, 22, 13, Opaque(0x3A2A1A));
        if (water > 0)
            c.Fill(5, 21 - water, 22, water, Opaque(0x4080E0));
        if (splash)
            for (int32_t k = 0; k < 4; ++k)
                c.Ellipse(8 + 5 * k, 4 + (k % 2) * 2, 2, 2, Opaque(0x80C0FF));
        return c;
    };
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(basin(0, false), -16, -24),
                     BoxedSprite(basin(10, false), -16, -24),
                     BoxedSprite(basin(6, true), -16, -24)};
    block.scripts = ThreeStateScripts(0, 0, 2, 1, 30);
    return block;
}

// ---- the types the world makes by itself

// Effects start the script of their kind (0 to 28), pop-ups that of their
// value, projectiles a few from their base: 32 scripts cover them all.
constexpr int32_t kSmallTypeScripts = 32;

// Type 110: a score pop-up shows script (its value's index), 0 to 6.
MediaBlockSpec PopupMedia() {
    static const uint32_t kColours[] = {0x50C050, 0x50A0E0, 0xE0A030, 0xE05050,
                                        0xC050E0, 0x30C0C0, 0xF0F050};
    MediaBlockSpec block;
    for (uint32_t colour : kColours) {
        Canvas badge(24, 12);
        badge.Fill(0, 0, 24, 12, Opaque(colour));
        badge.Frame(0, 0, 24, 12, Opaque(0xFFFFFF));
        block.sprites.push_back(BoxedSprite(badge, -12, -6));
    }
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(static_cast<uint16_t>(s % 7));
    }
    block.scripts = a.Write();
    return block;
}

// Types 119 and 120: the thrown projectiles.
MediaBlockSpec ProjectileMedia() {
    Canvas ball(12, 12);
    ball.Ellipse(6, 6, 6, 6, Opaque(0x404040));
    ball.Ellipse(5, 5, 3, 3, Opaque(0xC0C0C0));
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(ball, -6, -6)};
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(0);
    }
    block.scripts = a.Write();
    return block;
}

// Type 126: the shadows under the player and the pickups.
MediaBlockSpec ShadowMedia() {
    Canvas shadow(28, 8);
    shadow.Ellipse(14, 4, 14, 4, 0x60000000u);
    MediaBlockSpec block;
    block.sprites = {BoxedSprite(shadow, -14, -4)};
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(0);
    }
    block.scripts = a.Write();
    return block;
}

// Type 127: the effects. A kind's particles take their pictures from the
// script of its number; every script plays three frames and ends hidden.
MediaBlockSpec EffectMedia() {
    static const uint32_t kColours[] = {0xFFFFF0, 0xFFE040, 0xB0A090, 0x60A0FF};
    MediaBlockSpec block;
    for (uint32_t colour : kColours) {
        Canvas bit(8, 8);
        bit.Ellipse(4, 4, 4, 4, Opaque(colour));
        block.sprites.push_back(BoxedSprite(bit, -4, -4));
    }
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        const uint16_t first = static_cast<uint16_t>(s % 4);
        a.Show(first, 3)
            .Show(static_cast<uint16_t>((s + 1) % 4), 3)
            .Show(static_cast<uint16_t>((s + 2) % 4), 3)
            .Hide(first, 1);
    }
    block.scripts = a.Write();
    return block;
}

} // namespace

void AddSampleMedia(WorldArchiveSpec* spec) {
    // One block per look; the two projectiles share theirs.
    const std::pair<std::vector<int32_t>, MediaBlockSpec> blocks[] = {
        {{OBJT_PLAYER}, PlayerMedia()},
        {{OBJT_PICKUP}, PickupMedia()},
        {{OBJT_SCORE_POPUP}, PopupMedia()},
        {{OBJT_PROJECTILE_A, OBJT_PROJECTILE_B}, ProjectileMedia()},
        {{OBJT_ATTACHED_EFFECT}, ShadowMedia()},
        {{OBJT_EFFECT}, EffectMedia()},
        {{OBJT_CHASED}, ChasedMedia()},
        {{SAMPLE_TYPE_CHASE_START}, ChaseGemMedia(Opaque(0x30C060), true)},
        {{SAMPLE_TYPE_CHASE_STOP}, ChaseGemMedia(Opaque(0xD03050), false)},
        {{SAMPLE_TYPE_TARGET_A}, TargetMedia(Opaque(0xC02828), Opaque(0x200808), false)},
        {{SAMPLE_TYPE_TARGET_B}, TargetMedia(Opaque(0x8038C0), Opaque(0xE0C0FF), true)},
        {{SAMPLE_TYPE_LEVER}, LeverMedia()},
        {{SAMPLE_TYPE_PLATFORM}, PlatformMedia()},
        {{SAMPLE_TYPE_HAZARD}, HazardMedia()},
        {{SAMPLE_TYPE_PIPE}, PipeMedia()},
        {{SAMPLE_TYPE_BASIN}, BasinMedia()},
    };
    std::map<int32_t, size_t> part;
    for (const auto& [types, block] : blocks) {
        for (int32_t type : types)
            part[type] = spec->mediaBlocks.size();
        spec->mediaBlocks.push_back(block);
    }
    spec->mediaParts = {part};
}

} // namespace sample
