#include "tests/media/media_fixtures.h"

#include <cstdlib>

const MediaSamples& Samples() {
    static const MediaSamples samples = [] {
        MediaSamples s;
        s.stereoPcm = MakeTone(2, 44100, 22050, 440.0, 12000.0, 660.0);
        s.monoPcm = MakeTone(1, 44100, 22050, 330.0, 12000.0);
        s.stereo = WriteOggVorbis(s.stereoPcm);
        s.mono = WriteOggVorbis(s.monoPcm);
        s.movieColours = {0xE02020, 0x20C040, 0x3040E0, 0xF0F0F0};
        s.movieOptions.width = 64;
        s.movieOptions.height = 48;
        s.movieOptions.frames = 4;
        s.movieOptions.source = SolidColourFrames(s.movieColours, 64, 48);
        PcmBuffer sound = MakeTone(1, 44100, 8820, 220.0, 8000.0);
        s.movie = WriteOgmMovie(s.movieOptions, &sound);
        return s;
    }();
    return samples;
}

ArchiveOnDisk::ArchiveOnDisk(const ArchiveBuilder& builder) {
    ok_ = builder.WriteToFile("base.res") && OpenArchive(&archive_, "base.res") != 0;
}

ArchiveOnDisk::~ArchiveOnDisk() {
    CloseArchive(&archive_);
}

bool HaveTool(const char* name) {
    std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool RunQuiet(const std::string& command) {
    std::string quiet = command + " >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "media/mmlib.h"

struct Watchdog::State {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread;
};

Watchdog::Watchdog(const char* what, int seconds) : state_(new State) {
    State* state = state_.get();
    std::string name = what;
    state->thread = std::thread([state, name, seconds] {
        std::unique_lock<std::mutex> lock(state->mutex);
        if (!state->done.wait_for(lock, std::chrono::seconds(seconds),
                                  [state] { return state->finished; })) {
            std::fprintf(stderr, "watchdog: %s did not finish in %d s\n", name.c_str(), seconds);
            std::fflush(stderr);
            std::_Exit(3);
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->finished = true;
    }
    state_->done.notify_all();
    state_->thread.join();
}

size_t ReadAllPcm(MMlib* reader, int32_t chunk, std::vector<int16_t>* pcm) {
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    size_t total = 0;
    for (int guard = 0; guard < 1000000; ++guard) {
        int32_t got = 0;
        reader->ReadPCM(buffer.data(), chunk, &got);
        if (got <= 0)
            break;
        total += static_cast<size_t>(got);
        if (pcm != nullptr)
            for (int32_t i = 0; i + 1 < got; i += 2)
                pcm->push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
    }
    return total;
}
