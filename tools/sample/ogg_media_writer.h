// Ogg media made in-process for tests: Ogg Vorbis sounds (libvorbisenc) and
// OGM movies with XviD video (xvidcore's encoder, B-frames on request) and
// optional Vorbis sound, with real page checksums (libogg). Options write in
// the broken cases the readers must survive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Interleaved 16-bit PCM.
struct PcmBuffer {
    int32_t channels = 2;
    int32_t rate = 44100;
    std::vector<int16_t> samples;
    size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// A sine tone; with two channels the right one can be given its own
// frequency (0: the same as the left).
PcmBuffer MakeTone(int32_t channels, int32_t rate, size_t frames, double frequency,
                   double amplitude, double rightFrequency = 0.0);

// One logical stream as packets, before it is paged.
struct OggPacketData {
    std::vector<uint8_t> bytes;
    int64_t granule = 0;
    double time = 0.0; // seconds, for interleaving
};

struct OggStreamData {
    uint32_t serial = 1;
    int32_t headerPackets = 1; // packets before the data: the first goes alone on the BOS page
    std::vector<OggPacketData> packets;
    bool pagePerPacket = false; // video: one page per frame
};

// Vorbis packets of `pcm` (identification, comment, setup, then audio).
OggStreamData EncodeVorbisStream(const PcmBuffer& pcm, uint32_t serial, float quality = 0.3f);

// The 24-bit BGR picture of frame `index`.
using FrameSource = std::function<void(int32_t index, uint8_t* bgr)>;
FrameSource SolidColourFrames(const std::vector<uint32_t>& rgbColours, int32_t width,
                              int32_t height);

struct OgmVideoHeader {
    uint64_t timeUnit = 400000; // 100 ns units a frame
    uint64_t samplesPerUnit = 1;
    int32_t width = 0;
    int32_t height = 0;
    int32_t length = 57; // bytes of the packet; 52 cuts off the height's last byte
};
std::vector<uint8_t> MakeOgmVideoHeader(const OgmVideoHeader& header);

struct VideoStreamOptions {
    int32_t width = 64;
    int32_t height = 48;
    int32_t fps = 25;
    int32_t frames = 4;
    FrameSource source;
    int32_t quant = 2;
    // B-frames between reference pictures.
    int32_t maxBFrames = 0;
    bool comment = true; // a 0x03 comment packet after the header
    // Values written in the header instead of the true ones.
    int64_t headerWidth = -1;
    int64_t headerHeight = -1;
    int64_t headerTimeUnit = -1;
    int32_t headerLength = 57;
};
OggStreamData EncodeXvidStream(const VideoStreamOptions& options, uint32_t serial);

struct MuxFaults {
    size_t truncateBy = 0;        // bytes cut off the end
    bool badCapture = false;      // the first page does not start with "OggS"
    int32_t leadingJunkPages = 0; // pages of an unknown stream before everything
};

// All BOS pages first, then the header pages, then the data pages of every
// stream interleaved by time.
std::vector<uint8_t> MuxOgg(const std::vector<OggStreamData>& streams,
                            const MuxFaults& faults = {});

// One page per element, as libogg wrote them (for byte-exact expectations).
struct OggPageBytes {
    uint32_t serial;
    std::vector<uint8_t> header; // 27 bytes and the lacing table
    std::vector<uint8_t> body;
};
std::vector<OggPageBytes> SplitOggPages(const std::vector<uint8_t>& file);
// What a reader of one serial gets: its page bodies back to back (payload)
// or its pages as stored (raw).
std::vector<uint8_t> StreamPayload(const std::vector<uint8_t>& file, uint32_t serial);
std::vector<uint8_t> StreamPages(const std::vector<uint8_t>& file, uint32_t serial);

// Shortcuts.
std::vector<uint8_t> WriteOggVorbis(const PcmBuffer& pcm, float quality = 0.3f);
std::vector<uint8_t> WriteOgmMovie(const VideoStreamOptions& video, const PcmBuffer* audio,
                                   const MuxFaults& faults = {});

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytesFromFile(const std::string& path);
