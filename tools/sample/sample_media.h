// The sample archive's pictures, sounds and object media: the small canvas
// every sample picture is drawn on, the note synthesiser behind its sounds,
// and the media blocks of every object type the sample world makes, with
// the media part that hands them to the world.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/sample/ogg_media_writer.h"
#include "tools/sample/world_archive.h"

namespace sample {

// ---- pictures ---------------------------------------------------------------------

constexpr uint32_t kClear = 0x00000000u;

uint32_t Opaque(uint32_t rgb);
// Channel-wise blend of two colours, t from 0 (a) to 1 (b).
uint32_t Mix(uint32_t a, uint32_t b, double t);

class Canvas {
public:
    Canvas(int32_t width, int32_t height, uint32_t fill = kClear);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    void Put(int32_t x, int32_t y, uint32_t argb);
    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb);
    void Frame(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb);
    void Ellipse(double cx, double cy, double rx, double ry, uint32_t argb);
    std::vector<uint8_t> Png() const;
    // 0xAARRGGBB, row by row.
    const std::vector<uint32_t>& pixels() const { return pixels_; }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
};

// Top colour to bottom colour, one colour a row: PNG keeps such a picture
// in a few kilobytes.
Canvas Gradient(int32_t width, int32_t height, uint32_t top, uint32_t bottom);

// ---- sounds -------------------------------------------------------------------------

struct Note {
    double frequency; // Hz
    double seconds;
};

// Notes one after the other, stereo at 44,100 Hz, each with a short rise
// and fall so that no step of the wave clicks (a frequency of 0 is a rest);
// and the same as an Ogg Vorbis file.
PcmBuffer NotesPcm(const std::vector<Note>& notes, double amplitude);
std::vector<uint8_t> NotesOgg(const std::vector<Note>& notes, double amplitude,
                              float quality = 0.3f);

// The catalogue groups of the sounds the chase and the level objects play
// (taunts, landings and jumps, blasts, strikes, warnings, awards), one
// short sound each.
constexpr uint32_t kFirstWorldSoundGroup = 51;
constexpr uint32_t kLastWorldSoundGroup = 57;
std::vector<uint8_t> WorldGroupSound(uint32_t group);

// ---- object media ---------------------------------------------------------------------

// Pipe segments have a script per shape (the stream's points through
// it), then the script whose instruction s names the sprite of shape s,
// then a last one.
constexpr int32_t kPipeShapes = 11;

// The media blocks of every type the sample world makes, and the one media
// part that maps each type to its block.
void AddSampleMedia(WorldArchiveSpec* spec);

} // namespace sample
