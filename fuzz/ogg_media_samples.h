// Valid media for the Ogg fuzz targets to damage: a fuzz input either is the
// whole container, or a list of patches over one of these samples, which
// reaches far deeper into the parsers than random bytes would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/sample/ogg_media_writer.h"

inline const std::vector<std::vector<uint8_t>>& OggFuzzSamples() {
    static const std::vector<std::vector<uint8_t>> samples = [] {
        std::vector<std::vector<uint8_t>> s;
        s.push_back(WriteOggVorbis(MakeTone(2, 44100, 6000, 440.0, 9000.0, 660.0)));
        s.push_back(WriteOggVorbis(MakeTone(1, 44100, 6000, 330.0, 9000.0)));
        VideoStreamOptions video;
        video.width = 32;
        video.height = 32;
        video.frames = 3;
        video.source = SolidColourFrames({0xFF0000, 0x00FF00, 0x0000FF}, 32, 32);
        PcmBuffer sound = MakeTone(1, 44100, 3000, 220.0, 8000.0);
        s.push_back(WriteOgmMovie(video, &sound));
        return s;
    }();
    return samples;
}

// Byte 0 even: the rest of the input is the container. Odd: byte 1 picks a
// sample, bytes 2-3 cut that many bytes off its end, and each following
// group of three bytes (offset u16, value) overwrites one byte.
inline std::vector<uint8_t> OggFuzzInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    if ((data[0] & 1) == 0)
        return std::vector<uint8_t>(data + 1, data + size);
    const auto& samples = OggFuzzSamples();
    std::vector<uint8_t> file = samples[(size > 1 ? data[1] : 0) % samples.size()];
    size_t cut = size > 3 ? (data[2] | (data[3] << 8)) % 4096u : 0;
    file.resize(file.size() - std::min(cut, file.size()));
    for (size_t at = 4; at + 2 < size && !file.empty(); at += 3) {
        size_t offset = (data[at] | (data[at + 1] << 8)) % file.size();
        file[offset] = data[at + 2];
    }
    return file;
}
