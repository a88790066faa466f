// Placeholder player: never opens, so every call does nothing.
#include "media/mmplay.h"

MMplay gMMplay;

MMplay::MMplay() = default;
MMplay::~MMplay() { Close(); }
int32_t MMplay::Open(int32_t, uint16_t, int32_t, int32_t, int32_t, ResourceArchive*) {
    return -1;
}
int32_t MMplay::Play(int32_t, int32_t, int32_t, int32_t, int32_t) { return -1; }
int32_t MMplay::PlayWithCallback(int32_t, int32_t, int32_t, int32_t, int32_t, MMEndCallback,
                                 uintptr_t, uintptr_t) {
    return -1;
}
int32_t MMplay::Stop(int32_t) { return 0; }
int32_t MMplay::StopChannel(int32_t) { return 0; }
int32_t MMplay::Update() { return 0; }
int32_t MMplay::Pause(int32_t) { return 0; }
int32_t MMplay::Resume(int32_t) { return 0; }
int32_t MMplay::SetPanning(int32_t, int32_t, int32_t) { return 0; }
int32_t MMplay::SetVolume(int32_t, int32_t) { return 0; }
int32_t MMplay::Unload(int32_t) { return 0; }
int32_t MMplay::Close() { return 0; }
int32_t MMplay::GetInfo(int32_t, MediaInfo*) { return -1; }
int32_t MMplay::DecodeVideoFrame(int32_t, uint8_t*) { return -1; }
