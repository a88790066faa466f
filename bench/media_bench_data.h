// Media shared by the media benchmarks, made once per run.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/sample/ogg_media_writer.h"

// Ten seconds of stereo 44.1 kHz music-like Vorbis (a chord with a slow
// vibrato): about what the game's sounds cost to decode.
inline const std::vector<uint8_t>& BenchMusic() {
    static const std::vector<uint8_t> music = [] {
        PcmBuffer pcm;
        pcm.channels = 2;
        pcm.rate = 44100;
        const size_t frames = 44100 * 10;
        pcm.samples.resize(frames * 2);
        const double twoPi = 6.283185307179586;
        const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37};
        for (size_t i = 0; i < frames; ++i) {
            double t = static_cast<double>(i) / 44100.0;
            double left = 0, right = 0;
            for (int n = 0; n < 5; ++n) {
                double v = std::sin(twoPi * notes[n] * t * (1.0 + 0.002 * std::sin(t * 5 + n)));
                left += v * (n % 2 == 0 ? 1.0 : 0.5);
                right += v * (n % 2 == 0 ? 0.5 : 1.0);
            }
            pcm.samples[i * 2] = static_cast<int16_t>(left * 4000);
            pcm.samples[i * 2 + 1] = static_cast<int16_t>(right * 4000);
        }
        return WriteOggVorbis(pcm, 0.4f);
    }();
    return music;
}

// A 640x480 movie of moving gradients with a stereo sound, 25 frames a second.
inline const std::vector<uint8_t>& BenchMovie(int32_t frames = 50) {
    static const std::vector<uint8_t> movie = [frames] {
        VideoStreamOptions video;
        video.width = 640;
        video.height = 480;
        video.frames = frames;
        video.quant = 4;
        video.source = [](int32_t index, uint8_t* bgr) {
            for (int32_t y = 0; y < 480; ++y)
                for (int32_t x = 0; x < 640; ++x) {
                    uint8_t* p = bgr + (y * 640 + x) * 3;
                    p[0] = static_cast<uint8_t>(x + index * 4);
                    p[1] = static_cast<uint8_t>(y * 2 - index * 3);
                    p[2] = static_cast<uint8_t>((x ^ y) + index);
                }
        };
        PcmBuffer sound = MakeTone(2, 44100, 44100 * frames / 25, 440.0, 6000.0, 550.0);
        return WriteOgmMovie(video, &sound);
    }();
    return movie;
}
