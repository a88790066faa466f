// Shared pieces of the media tests: generated media, kept for the whole run
// (encoding is the slow part), and archives holding them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/ogg_media_writer.h"
#include "tests/support/temp_dir.h"

constexpr uint32_t kVorbisSerial = 0x1001;
constexpr uint32_t kMovieVideoSerial = 0x2001;
constexpr uint32_t kMovieAudioSerial = 0x2002;

// 0.5 s of 440 Hz stereo and 0.5 s of 330 Hz mono, and a movie of four
// solid colours with a mono 220 Hz sound.
struct MediaSamples {
    PcmBuffer stereoPcm;
    PcmBuffer monoPcm;
    std::vector<uint8_t> stereo;
    std::vector<uint8_t> mono;
    std::vector<uint32_t> movieColours;
    VideoStreamOptions movieOptions;
    std::vector<uint8_t> movie;
};
const MediaSamples& Samples();

// An archive written into a fresh folder and opened; closed and removed
// when the test ends.
class ArchiveOnDisk {
public:
    explicit ArchiveOnDisk(const ArchiveBuilder& builder);
    ~ArchiveOnDisk();
    ResourceArchive* archive() { return &archive_; }
    bool ok() const { return ok_; }

private:
    ScopedTempDir dir_;
    ResourceArchive archive_{};
    bool ok_ = false;
};

// Whether a program is on the PATH.
bool HaveTool(const char* name);
// Runs a shell command quietly; true when it exits with 0.
bool RunQuiet(const std::string& command);

// Ends the whole test program when a scope takes longer than it may: a
// hang on the audio path must fail the run, not stall it.
class Watchdog {
public:
    Watchdog(const char* what, int seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Reads the whole PCM of a reader into `pcm` with reads of `chunk` bytes.
class MMlib;
size_t ReadAllPcm(MMlib* reader, int32_t chunk, std::vector<int16_t>* pcm);
